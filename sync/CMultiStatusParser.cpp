#include "CMultiStatusParser.h"

#include <QXmlStreamReader>
#include <algorithm>

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// "HTTP/1.1 404 Not Found" gives 404; anything else 0.
int StatusCode(const QString& line) {
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    if (parts.size() < 2 || !parts[0].startsWith(QLatin1String("HTTP/")))
        return 0;
    bool bOk = false;
    const int code = parts[1].toInt(&bOk);
    return bOk && code >= 100 && code <= 999 ? code : 0;
}

} // namespace

bool CMultiStatusParser::Parse(const QByteArray& xml) {
    m_responses.clear();
    m_strSyncToken.clear();
    m_strError.clear();

    QXmlStreamReader reader(xml);
    // Nothing is expanded beyond the predefined entities; a declaration is refused below anyway.
    reader.setEntityExpansionLimit(0);

    // The path of open elements, as (namespace, name) pairs compressed into one id each.
    enum Tag {
        Other,
        Multistatus,
        ResponseTag,
        Href,
        Status,
        Propstat,
        Prop,
        Getetag,
        AddressData,
        Resourcetype,
        Collection,
        AddressBook,
        Principal,
        HomeSet,
        ReportSet,
        SyncCollection,
        SyncToken,
    };
    std::vector<Tag> path;
    path.reserve(16);
    bool bSawRoot = false;
    Response current;
    Response propstatValues; // values of the propstat being read
    int nPropstatStatus = 0;
    QString text;

    auto tagOf = [](QStringView ns, QStringView name) {
        if (ns == kDav) {
            if (name == u"multistatus")
                return Multistatus;
            if (name == u"response")
                return ResponseTag;
            if (name == u"href")
                return Href;
            if (name == u"status")
                return Status;
            if (name == u"propstat")
                return Propstat;
            if (name == u"prop")
                return Prop;
            if (name == u"getetag")
                return Getetag;
            if (name == u"resourcetype")
                return Resourcetype;
            if (name == u"collection")
                return Collection;
            if (name == u"current-user-principal")
                return Principal;
            if (name == u"supported-report-set")
                return ReportSet;
            if (name == u"sync-collection")
                return SyncCollection;
            if (name == u"sync-token")
                return SyncToken;
        } else if (ns == kCardDav) {
            if (name == u"address-data")
                return AddressData;
            if (name == u"addressbook")
                return AddressBook;
            if (name == u"addressbook-home-set")
                return HomeSet;
        }
        return Other;
    };
    auto inside = [&](Tag tag) { return std::find(path.begin(), path.end(), tag) != path.end(); };
    auto parent = [&]() { return path.size() >= 2 ? path[path.size() - 2] : Other; };

    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        switch (token) {
        case QXmlStreamReader::DTD:
            m_strError = QStringLiteral("the answer declares a document type, which is refused");
            return false;
        case QXmlStreamReader::EntityReference:
            m_strError = QStringLiteral("the answer uses an undeclared entity");
            return false;
        case QXmlStreamReader::StartElement: {
            if (int(path.size()) >= kMaxDepth) {
                m_strError = QStringLiteral("the answer is nested too deeply");
                return false;
            }
            const Tag tag = tagOf(reader.namespaceUri(), reader.name());
            if (path.empty()) {
                if (tag != Multistatus) {
                    m_strError = QStringLiteral("the answer is not a multistatus document");
                    return false;
                }
                bSawRoot = true;
            }
            path.push_back(tag);
            text.clear();
            if (tag == ResponseTag && path.size() == 2) {
                if (qsizetype(m_responses.size()) >= kMaxResponses) {
                    m_strError = QStringLiteral("the answer lists too many entries");
                    return false;
                }
                current = Response();
            } else if (tag == Propstat && parent() == ResponseTag) {
                propstatValues = Response();
                nPropstatStatus = 0;
            } else if (inside(Prop)) {
                if (tag == Collection && parent() == Resourcetype)
                    propstatValues.bCollection = true;
                else if (tag == AddressBook && parent() == Resourcetype)
                    propstatValues.bAddressBook = true;
                else if (tag == SyncCollection && inside(ReportSet))
                    propstatValues.bSyncCollection = true;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (text.size() + reader.text().size() > kMaxText) {
                m_strError = QStringLiteral("the answer holds a value that is too long");
                return false;
            }
            // Only texts of leaf values are kept; whitespace between elements is dropped below.
            text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            if (path.empty())
                break;
            const Tag tag = path.back();
            const Tag up = parent();
            const bool bInResponse = path.size() >= 2 && path[1] == ResponseTag;
            if (tag == Href && bInResponse) {
                const QByteArray href = text.trimmed().toUtf8();
                if (up == ResponseTag && current.strHref.isEmpty())
                    current.strHref = href;
                else if (up == Principal && propstatValues.strPrincipal.isEmpty())
                    propstatValues.strPrincipal = href;
                else if (up == HomeSet && propstatValues.strHomeSet.isEmpty())
                    propstatValues.strHomeSet = href;
            } else if (tag == Status && up == ResponseTag && bInResponse) {
                current.nStatus = StatusCode(text);
            } else if (tag == Status && up == Propstat && bInResponse) {
                nPropstatStatus = StatusCode(text);
            } else if (tag == Getetag && up == Prop) {
                propstatValues.strEtag = text.trimmed().toUtf8();
            } else if (tag == AddressData && up == Prop) {
                propstatValues.strCard = text.toUtf8();
                propstatValues.bHasCard = true;
            } else if (tag == SyncToken && up == Prop) {
                propstatValues.strSyncToken = text.trimmed().toUtf8();
            } else if (tag == SyncToken && up == Multistatus) {
                m_strSyncToken = text.trimmed().toUtf8();
            } else if (tag == Propstat && up == ResponseTag) {
                // Values of a propstat that failed (404 for a property the server lacks) are
                // not values.
                if (nPropstatStatus == 0 || (nPropstatStatus >= 200 && nPropstatStatus < 300)) {
                    Response& r = propstatValues;
                    current.nPropStatus = nPropstatStatus == 0 ? 200 : nPropstatStatus;
                    if (!r.strEtag.isEmpty())
                        current.strEtag = r.strEtag;
                    if (r.bHasCard) {
                        current.strCard = std::move(r.strCard);
                        current.bHasCard = true;
                    }
                    current.bCollection = current.bCollection || r.bCollection;
                    current.bAddressBook = current.bAddressBook || r.bAddressBook;
                    current.bSyncCollection = current.bSyncCollection || r.bSyncCollection;
                    if (!r.strPrincipal.isEmpty())
                        current.strPrincipal = r.strPrincipal;
                    if (!r.strHomeSet.isEmpty())
                        current.strHomeSet = r.strHomeSet;
                    if (!r.strSyncToken.isEmpty())
                        current.strSyncToken = r.strSyncToken;
                } else if (current.nPropStatus == 0) {
                    current.nPropStatus = nPropstatStatus;
                }
            } else if (tag == ResponseTag && up == Multistatus) {
                if (current.strHref.isEmpty()) {
                    m_strError = QStringLiteral("the answer holds an entry without an address");
                    return false;
                }
                m_responses.push_back(std::move(current));
                current = Response();
            }
            path.pop_back();
            text.clear();
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        m_strError = QStringLiteral("the answer is not valid XML (%1, line %2)")
                         .arg(reader.errorString())
                         .arg(reader.lineNumber());
        m_responses.clear();
        return false;
    }
    if (!bSawRoot) {
        m_strError = QStringLiteral("the answer is empty");
        return false;
    }
    return true;
}
