#include "CGroupsField.h"

namespace {

// Length of the run of colons that starts at `i`.
qsizetype ColonRun(const QByteArray& text, qsizetype i) {
    qsizetype j = i;
    while (j < text.size() && text[j] == ':')
        ++j;
    return j - i;
}

} // namespace

QByteArray CGroupsField::Join(const QList<QByteArray>& groups) {
    QByteArray cell;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        if (g > 0)
            cell += " ::: ";
        const QByteArray& name = groups[g];
        if (!name.contains(":::")) {
            cell += name;
            continue;
        }
        for (qsizetype i = 0; i < name.size();) {
            const qsizetype run = ColonRun(name, i);
            if (run == 0) {
                cell += name[i++];
                continue;
            }
            cell.append(run >= 3 ? run + 1 : run, ':');
            i += run;
        }
    }
    return cell;
}

QList<QByteArray> CGroupsField::Split(const QByteArray& cell) {
    if (!cell.contains(":::"))
        return {cell};
    QList<QByteArray> groups;
    QByteArray name;
    qsizetype start = 0; // where the current name starts in the cell
    for (qsizetype i = 0; i < cell.size();) {
        const qsizetype run = ColonRun(cell, i);
        if (run == 0) {
            name += cell[i++];
            continue;
        }
        const qsizetype end = i + run;
        // A separator's leading blank must belong to the current name, not to the separator
        // before it: " ::: ::: " is a separator and then a name starting with ":::".
        const bool bSeparator = run == 3 && i - 1 >= start && cell[i - 1] == ' ' &&
                                end < cell.size() && cell[end] == ' ';
        if (bSeparator) {
            name.chop(1); // the blank before the colons
            groups.append(name);
            name.clear();
            i = end + 1;
            start = i;
            continue;
        }
        name.append(run >= 4 ? run - 1 : run, ':');
        i = end;
    }
    groups.append(name);
    return groups;
}
