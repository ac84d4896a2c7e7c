#pragma once

#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// A contact form on a document of given entries, shown and active, with a scripted prompt and an
// in-memory profile: what every form test starts from.
class CFormFixture {
public:
    CFormFixture() : m_doc(m_app) {
        m_app.m_bConfirmDelete = true;
        m_app.m_bAutoUpdate = false;
        m_app.m_strCustomLabel = "Notes";
        m_doc.OnNewDocument();
    }

    static CPerson Person(const QByteArray& name, const QByteArray& city = {},
                          const QByteArray& phone = {}, const QList<QByteArray>& groups = {}) {
        CPerson person;
        person.m_strName = name;
        person.m_strCity = city;
        person.m_strPhone = phone;
        person.m_groups = groups;
        return person;
    }

    // Puts the entries into the document and opens the form on it, as after opening a file.
    void Open(const QList<CPerson>& people, const QList<QByteArray>& groups = {}) {
        for (const CPerson& person : people)
            m_doc.m_personList.push_back(std::make_unique<CPerson>(person));
        m_doc.m_groupList = groups;
        m_pView = std::make_unique<CVornView>(m_doc);
        m_pView->resize(900, 640);
        m_pView->show();
        QApplication::setActiveWindow(m_pView.get());
        if (!QTest::qWaitForWindowActive(m_pView.get()))
            qWarning("the form did not become active");
        m_pView->OnInitialUpdate();
    }

    template <typename T> T* Child(const char* name) const {
        return m_pView->findChild<T*>(QLatin1String(name));
    }
    QAbstractButton* Button(const char* name) const { return Child<QAbstractButton>(name); }
    QListView* List() const { return Child<QListView>("listPeople"); }
    QLineEdit* Name() const { return Child<QLineEdit>("editName"); }
    QString Text(const char* name) const {
        if (auto* p = Child<QLineEdit>(name))
            return p->text();
        if (auto* p = Child<QPlainTextEdit>(name))
            return p->toPlainText();
        if (auto* p = Child<QComboBox>(name))
            return p->currentText();
        if (auto* p = Child<QLabel>(name))
            return p->text();
        return QStringLiteral("<no control %1>").arg(QLatin1String(name));
    }
    // "shown of total", as the two counters read.
    QString Counters() const {
        return Text("labelShownPeople") + QStringLiteral(" of ") + Text("labelTotalPeople");
    }

    QStringList Lines() const {
        QStringList lines;
        for (int row = 0; row < m_pView->PeopleModel().Count(); ++row)
            lines.append(m_pView->PeopleModel().TextAt(row));
        return lines;
    }
    QList<int> SelectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : List()->selectionModel()->selectedIndexes())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    int CaretRow() const { return List()->currentIndex().row(); }
    QList<QByteArray> DocNames() const {
        QList<QByteArray> names;
        for (const auto& person : m_doc.m_personList)
            names.append(person->m_strName);
        return names;
    }

    void ClickLine(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect rect = List()->visualRect(m_pView->PeopleModel().index(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }
    // Puts the focus in a field and types at the end of its text, as the user does.
    void Type(const char* field, const QString& text) {
        QWidget* pField = Child<QWidget>(field);
        pField->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pField, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(pField, text);
    }
    // Empties a field by selecting all and deleting, as the user does.
    void Erase(const char* field) {
        QWidget* pField = Child<QWidget>(field);
        pField->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pField, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(pField, Qt::Key_Delete);
    }

    // Dialogs: runs `answer` on the next modal dialog as soon as it shows, since the command
    // that opens it runs it modally. Gives up after about two seconds.
    static void OnNextDialog(std::function<void(QDialog*)> answer) {
        auto* pTimer = new QTimer;
        pTimer->setInterval(5);
        auto nTicks = std::make_shared<int>(0);
        QObject::connect(pTimer, &QTimer::timeout, [pTimer, nTicks, answer] {
            auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if ((!pDialog || !pDialog->isVisible()) && ++*nTicks < 400)
                return;
            pTimer->stop();
            pTimer->deleteLater();
            if (pDialog && pDialog->isVisible())
                answer(pDialog);
        });
        pTimer->start();
    }

    CMemoryProfile m_profile;
    CScriptedPrompt m_prompt;
    CVornApp m_app;
    CVornDoc m_doc;
    std::unique_ptr<CVornView> m_pView;
};
