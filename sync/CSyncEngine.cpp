#include "CSyncEngine.h"

#include "CDavClient.h"
#include "CMultiStatusParser.h"

#include <CContactReader.h>
#include <CVCardParser.h>
#include <CVCardWriter.h>
#include <CVornDoc.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QUuid>
#include <set>

namespace {

// Rounds of a paged sync-collection answer before the server is taken to be looping.
constexpr int kMaxSyncPages = 200;
// Cards asked for in one addressbook-multiget.
constexpr size_t kMultigetBatch = 100;
// Changes sent between two writes of the sidecar (it is also written after a few seconds).
constexpr size_t kSendChunk = 200;
constexpr qint64 kSaveIntervalMs = 2000;

const QByteArray kXmlType = "application/xml; charset=utf-8";
const QByteArray kCardType = "text/vcard; charset=utf-8";

QByteArray XmlEscape(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

QByteArray SyncCollectionBody(const QByteArray& token) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" +
           XmlEscape(token) +
           "</D:sync-token><D:sync-level>1</D:sync-level>"
           "<D:prop><D:getetag/></D:prop></D:sync-collection>";
}

const QByteArray kPropfindEtags = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                  "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/>"
                                  "<D:getetag/></D:prop></D:propfind>";

const QByteArray kPropfindDiscover =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<D:propfind xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:prop>"
    "<D:resourcetype/><D:current-user-principal/><C:addressbook-home-set/>"
    "<D:supported-report-set/></D:prop></D:propfind>";

QByteArray LineBreaksAsLf(const QByteArray& text) {
    if (!text.contains('\r'))
        return text;
    QByteArray out = text;
    out.replace("\r\n", "\n");
    out.replace('\r', '\n');
    return out;
}

// A card of our own making for a new contact: our product id and the UID chosen for it, then the
// entry's values.
QByteArray NewCard(const CPerson& person, const QByteArray& uid) {
    CVCard base;
    CVCardProperty prodid;
    prodid.m_strName = "PRODID";
    prodid.m_strValue = CVCardWriter::kProductId;
    base.m_properties.push_back(prodid);
    CVCardProperty uidProperty;
    uidProperty.m_strName = "UID";
    uidProperty.m_strValue = uid;
    base.m_properties.push_back(uidProperty);
    return CVCardWriter::Merge(base, person, CVCardWriter::Version::V30);
}

QByteArray UidOf(const QByteArray& card) {
    CVCardParser parser(card);
    CVCard parsed;
    if (!parser.Next(parsed))
        return {};
    const CVCardProperty* uid = parsed.Find("UID");
    return uid ? uid->Text() : QByteArray();
}

// The entry's Notes without the lines that reading `card` makes of the properties a merge keeps
// (a birthday, a spouse, an organisation...): those properties stay in the card and give the
// same lines again when it is read, so sending them in NOTE as well would double them with every
// round.
QByteArray NotesWithoutKeptLines(const CVCard& card, const QByteArray& notes) {
    CVCard kept;
    for (const CVCardProperty& property : card.m_properties) {
        const QByteArray& name = property.m_strName;
        if (name != "NOTE" && name != "EMAIL" && name != "ADR" && name != "LABEL" &&
            !property.m_bBinary)
            kept.m_properties.push_back(property);
    }
    CPerson reading;
    if (!CSyncEngine::CardToPerson(kept.ToBytes(), reading) || reading.m_strNotes.isEmpty())
        return notes;
    QList<QByteArray> lines = notes.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    // Each derived line is taken off once, from the end, where the reading puts them.
    for (QByteArray derived : reading.m_strNotes.split('\n')) {
        if (derived.endsWith('\r'))
            derived.chop(1);
        for (qsizetype i = lines.size(); i-- > 0;) {
            if (lines[i] == derived) {
                lines.removeAt(i);
                break;
            }
        }
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join("\r\n");
}

// `card` with the entry's values replaced, everything else (photo, other properties) kept.
QByteArray MergedCard(const QByteArray& card, const CPerson& person, const QByteArray& uid) {
    CVCardParser::Options options;
    options.bKeepBinary = true;
    CVCardParser parser(card, options);
    CVCard parsed;
    if (card.isEmpty() || !parser.Next(parsed))
        return NewCard(person, uid);
    const CVCardProperty* prodid = parsed.Find("PRODID");
    if (prodid && prodid->m_strValue.contains("Velloby"))
        return CVCardWriter::Merge(parsed, person, CVCardWriter::Version::V30);
    CPerson sent = person;
    sent.m_strNotes = NotesWithoutKeptLines(parsed, person.m_strNotes);
    return CVCardWriter::Merge(parsed, sent, CVCardWriter::Version::V30);
}

QString HttpFailure(int status) {
    return QStringLiteral("HTTP %1").arg(status);
}

} // namespace

// What the server holds at one address.
struct CSyncEngine::ServerItem {
    QByteArray strEtag;
    QByteArray strCard;
    CPerson person;
    bool bReadable = false;
};

CSyncEngine::CSyncEngine(std::vector<CPerson> entries, const QString& strContactPath,
                         const CSyncAccount& account, const std::atomic<bool>& bCancel)
    : m_entries(std::move(entries)), m_strContactPath(strContactPath), m_account(account),
      m_bCancel(bCancel) {
    // A user name or password written into the URL is never used or kept.
    m_account.url.setUserInfo(QString());
    m_strSidecar = strContactPath + QStringLiteral(".sync");
}

CSyncEngine::~CSyncEngine() {
    delete m_pClient;
}

QByteArray CSyncEngine::Digest(const CPerson& person) {
    return CVCardWriter::Uid(person).mid(9);
}

bool CSyncEngine::SamePerson(const CPerson& a, const CPerson& b) {
    auto same = [](const QByteArray& x, const QByteArray& y) {
        return x == y || LineBreaksAsLf(x) == LineBreaksAsLf(y);
    };
    if (a.m_groups.size() != b.m_groups.size())
        return false;
    for (qsizetype i = 0; i < a.m_groups.size(); ++i)
        if (!same(a.m_groups[i], b.m_groups[i]))
            return false;
    return same(a.m_strName, b.m_strName) && same(a.m_strAddress, b.m_strAddress) &&
           same(a.m_strCity, b.m_strCity) && same(a.m_strState, b.m_strState) &&
           same(a.m_strZip, b.m_strZip) && same(a.m_strCountry, b.m_strCountry) &&
           same(a.m_strPhone, b.m_strPhone) && same(a.m_strNotes, b.m_strNotes) &&
           same(a.m_strEmail, b.m_strEmail);
}

bool CSyncEngine::CardToPerson(const QByteArray& card, CPerson& person) {
    CContactReader::Result result;
    if (!CContactReader::Read(card, EContactFormat::VCard, result) || result.people.empty())
        return false;
    person = std::move(result.people.front());
    return true;
}

QByteArray CSyncEngine::ConflictNote(const QDateTime& when) {
    return "Conflicting copy from the server, " +
           when.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toUtf8();
}

void CSyncEngine::Progress(const QString& step, int nDone, int nTotal) {
    if (m_fnProgress)
        m_fnProgress(step, nDone, nTotal);
}

bool CSyncEngine::SaveState(QString* pError) {
    m_state.m_url = m_account.url;
    m_state.m_strUser = m_account.strUser;
    m_state.m_bSyncOnOpenSave = m_account.bSyncOnOpenSave;
    m_state.m_bPlainHttpConfirmed = m_account.bPlainHttpConfirmed;
    return m_state.Save(m_strSidecar, pError);
}

bool CSyncEngine::CheckUrl(const QUrl& url, Fail& fail) const {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        fail.strError = QStringLiteral("The address book's address \"%1\" is not an http or "
                                       "https URL.")
                            .arg(CDavClient::Display(url));
        return false;
    }
    if (scheme == QLatin1String("http") && !m_account.bPlainHttpConfirmed) {
        const QString host = url.host().toLower();
        if (host != QLatin1String("localhost") && host != QLatin1String("127.0.0.1") &&
            host != QLatin1String("::1")) {
            fail.strError = QStringLiteral("Plain http to %1 is refused: the password would "
                                           "travel unencrypted. Use https, or confirm plain "
                                           "http for this server.")
                                .arg(host);
            return false;
        }
    }
    return true;
}

QByteArray CSyncEngine::Key(const QByteArray& href, const QUrl& base) const {
    const QUrl url = base.resolved(QUrl::fromEncoded(href.trimmed(), QUrl::TolerantMode));
    if (url.host().compare(base.host(), Qt::CaseInsensitive) != 0 || url.port(-1) != base.port(-1))
        return {};
    return url.path(QUrl::FullyDecoded).toUtf8();
}

QUrl CSyncEngine::UrlOf(const QByteArray& key) const {
    QUrl url = m_state.m_collection;
    url.setPath(QString::fromUtf8(key), QUrl::DecodedMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

namespace {

// The reason for an HTTP status that ends the sync.
bool StatusFails(const CDavClient::Reply& reply, const QString& what, QString& error, bool& bAuth,
                 bool& bCancelled) {
    if (reply.bCancelled) {
        bCancelled = true;
        error = QStringLiteral("The sync was cancelled.");
        return true;
    }
    if (!reply.strError.isEmpty()) {
        error = QStringLiteral("The server could not be reached: %1.").arg(reply.strError);
        return true;
    }
    if (reply.nStatus == 401) {
        bAuth = true;
        error = QStringLiteral("The server refused the user name or password.");
        return true;
    }
    if (reply.nStatus == 403) {
        error = QStringLiteral("The server refused access to %1 (HTTP 403).").arg(what);
        return true;
    }
    return false;
}

} // namespace

bool CSyncEngine::FindCollection(Fail& fail) {
    const QUrl start = m_account.url;
    auto propfind = [&](const QUrl& url, const QByteArray& depth, CMultiStatusParser& parser,
                        QUrl& answeredUrl, bool bRequired) -> int {
        CDavClient::Request request;
        request.strMethod = "PROPFIND";
        request.url = url;
        request.strDepth = depth;
        request.strContentType = kXmlType;
        request.strBody = kPropfindDiscover;
        const CDavClient::Reply reply = m_pClient->Send(request);
        if (StatusFails(reply, CDavClient::Display(url), fail.strError, fail.bAuth,
                        fail.bCancelled))
            return -1;
        answeredUrl = reply.url;
        if (reply.nStatus != 207) {
            if (bRequired)
                fail.strError = QStringLiteral("The server at %1 is not a CardDAV server "
                                               "(%2 to a property request).")
                                    .arg(CDavClient::Display(url), HttpFailure(reply.nStatus));
            return reply.nStatus;
        }
        if (!parser.Parse(reply.strBody)) {
            fail.strError =
                QStringLiteral("The server's answer could not be read: %1.").arg(parser.m_strError);
            return -1;
        }
        return 207;
    };

    CMultiStatusParser parser;
    QUrl answered;
    if (propfind(start, "0", parser, answered, true) != 207)
        return false;
    QByteArray principal;
    QUrl principalBase = answered;
    for (const auto& r : parser.m_responses) {
        if (r.bAddressBook) {
            m_state.m_collection = answered;
            m_bServerSyncCollection = r.bSyncCollection;
            return true;
        }
        if (!r.strPrincipal.isEmpty())
            principal = r.strPrincipal;
    }
    if (principal.isEmpty()) {
        QUrl wellKnown = start;
        wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
        CMultiStatusParser known;
        const int status = propfind(wellKnown, "0", known, answered, false);
        if (status < 0)
            return false;
        if (status == 207)
            for (const auto& r : known.m_responses)
                if (!r.strPrincipal.isEmpty()) {
                    principal = r.strPrincipal;
                    principalBase = answered;
                }
    }
    if (principal.isEmpty()) {
        fail.strError = QStringLiteral("No address book was found at %1: the server names no "
                                       "user principal there.")
                            .arg(CDavClient::Display(start));
        return false;
    }
    const QUrl principalUrl =
        principalBase.resolved(QUrl::fromEncoded(principal, QUrl::TolerantMode));
    if (principalUrl.host().compare(start.host(), Qt::CaseInsensitive) != 0) {
        fail.strError = QStringLiteral("The server at %1 names a principal on another server.")
                            .arg(CDavClient::Display(start));
        return false;
    }
    CMultiStatusParser principalAnswer;
    if (propfind(principalUrl, "0", principalAnswer, answered, true) != 207)
        return false;
    QUrl home = principalUrl;
    for (const auto& r : principalAnswer.m_responses)
        if (!r.strHomeSet.isEmpty())
            home = answered.resolved(QUrl::fromEncoded(r.strHomeSet, QUrl::TolerantMode));
    if (home.host().compare(start.host(), Qt::CaseInsensitive) != 0) {
        fail.strError = QStringLiteral("The server at %1 names an address book home on another "
                                       "server.")
                            .arg(CDavClient::Display(start));
        return false;
    }
    CMultiStatusParser homeAnswer;
    if (propfind(home, "1", homeAnswer, answered, true) != 207)
        return false;
    for (const auto& r : homeAnswer.m_responses) {
        if (!r.bAddressBook)
            continue;
        const QUrl url = answered.resolved(QUrl::fromEncoded(r.strHref, QUrl::TolerantMode));
        if (url.host().compare(start.host(), Qt::CaseInsensitive) != 0)
            continue;
        m_state.m_collection = url;
        m_bServerSyncCollection = r.bSyncCollection;
        return true;
    }
    fail.strError = QStringLiteral("The server at %1 holds no address book for this user.")
                        .arg(CDavClient::Display(start));
    return false;
}

bool CSyncEngine::ListServer(Fail& fail, std::map<QByteArray, QByteArray>& etags,
                             std::vector<QByteArray>& removed, bool& bFull) {
    const QUrl collection = m_state.m_collection;
    const QByteArray self = collection.path(QUrl::FullyDecoded).toUtf8();
    auto isSelf = [&](const QByteArray& key) {
        return key == self || key + '/' == self || key == self + '/';
    };
    QByteArray token = m_state.m_strSyncToken;
    bFull = token.isEmpty();
    if (m_bServerSyncCollection) {
        for (int page = 0; page < kMaxSyncPages; ++page) {
            CDavClient::Request request;
            request.strMethod = "REPORT";
            request.url = collection;
            request.strDepth = "0";
            request.strContentType = kXmlType;
            request.strBody = SyncCollectionBody(token);
            const CDavClient::Reply reply = m_pClient->Send(request);
            // A refused token comes back as 403 (valid-sync-token), 409 or 412.
            const bool bTokenRefused = !token.isEmpty() && page == 0 && reply.strError.isEmpty() &&
                                       !reply.bCancelled &&
                                       (reply.nStatus == 403 || reply.nStatus == 409 ||
                                        reply.nStatus == 412 || reply.nStatus == 400);
            if (!bTokenRefused && StatusFails(reply, CDavClient::Display(collection), fail.strError,
                                              fail.bAuth, fail.bCancelled))
                return false;
            if (reply.nStatus != 207) {
                if (!token.isEmpty() && page == 0) {
                    // The token is refused (too old, or the server forgot it): everything is
                    // compared again.
                    token.clear();
                    bFull = true;
                    etags.clear();
                    removed.clear();
                    --page;
                    m_state.m_strSyncToken.clear();
                    continue;
                }
                break; // no sync-collection: the ETags are compared below
            }
            CMultiStatusParser parser;
            if (!parser.Parse(reply.strBody)) {
                fail.strError = QStringLiteral("The server's list of changes could not be read: "
                                               "%1.")
                                    .arg(parser.m_strError);
                return false;
            }
            bool bTruncated = false;
            for (const auto& r : parser.m_responses) {
                const QByteArray key = Key(r.strHref, reply.url);
                if (key.isEmpty())
                    continue;
                if (isSelf(key)) {
                    bTruncated = bTruncated || r.nStatus == 507;
                    continue;
                }
                if (r.nStatus == 404) {
                    etags.erase(key);
                    removed.push_back(key);
                } else if (!r.strEtag.isEmpty()) {
                    etags[key] = r.strEtag;
                }
            }
            m_state.m_strSyncToken = parser.m_strSyncToken;
            if (!bTruncated || parser.m_strSyncToken.isEmpty() || parser.m_strSyncToken == token)
                return true;
            token = parser.m_strSyncToken;
            if (etags.size() > size_t(CVornDoc::kMaxEntries) * 2)
                break;
        }
        if (!etags.empty() || !removed.empty()) {
            fail.strError = QStringLiteral("The server keeps sending more changes than an "
                                           "address book can hold.");
            return false;
        }
    }
    // Without sync-collection: every card's ETag, compared with those last seen.
    bFull = true;
    etags.clear();
    removed.clear();
    m_state.m_strSyncToken.clear();
    CDavClient::Request request;
    request.strMethod = "PROPFIND";
    request.url = collection;
    request.strDepth = "1";
    request.strContentType = kXmlType;
    request.strBody = kPropfindEtags;
    const CDavClient::Reply reply = m_pClient->Send(request);
    if (StatusFails(reply, CDavClient::Display(collection), fail.strError, fail.bAuth,
                    fail.bCancelled))
        return false;
    if (reply.nStatus != 207) {
        fail.strError = QStringLiteral("The server did not list the address book %1 (%2).")
                            .arg(CDavClient::Display(collection), HttpFailure(reply.nStatus));
        return false;
    }
    CMultiStatusParser parser;
    if (!parser.Parse(reply.strBody)) {
        fail.strError = QStringLiteral("The server's list of contacts could not be read: %1.")
                            .arg(parser.m_strError);
        return false;
    }
    for (const auto& r : parser.m_responses) {
        const QByteArray key = Key(r.strHref, reply.url);
        if (key.isEmpty() || isSelf(key) || r.bCollection || r.strEtag.isEmpty())
            continue;
        etags[key] = r.strEtag;
    }
    return true;
}

bool CSyncEngine::Fetch(const std::vector<QByteArray>& hrefs,
                        std::map<QByteArray, ServerItem>& items, Fail& fail) {
    std::vector<CDavClient::Request> requests;
    for (size_t start = 0; start < hrefs.size(); start += kMultigetBatch) {
        QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<C:addressbook-multiget xmlns:D=\"DAV:\" "
                          "xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                          "<D:prop><D:getetag/><C:address-data/></D:prop>";
        for (size_t i = start; i < std::min(hrefs.size(), start + kMultigetBatch); ++i)
            body += "<D:href>" + XmlEscape(UrlOf(hrefs[i]).path(QUrl::FullyEncoded).toUtf8()) +
                    "</D:href>";
        body += "</C:addressbook-multiget>";
        CDavClient::Request request;
        request.strMethod = "REPORT";
        request.url = m_state.m_collection;
        request.strDepth = "1";
        request.strContentType = kXmlType;
        request.strBody = body;
        requests.push_back(std::move(request));
    }
    int nDone = 0;
    const std::vector<CDavClient::Reply> replies = m_pClient->SendAll(requests, [&](size_t) {
        nDone = std::min<int>(int(hrefs.size()), nDone + int(kMultigetBatch));
        Progress(QStringLiteral("Receiving %1 of %2...").arg(nDone).arg(hrefs.size()), nDone,
                 int(hrefs.size()));
    });
    for (const CDavClient::Reply& reply : replies) {
        if (StatusFails(reply, CDavClient::Display(m_state.m_collection), fail.strError, fail.bAuth,
                        fail.bCancelled))
            return false;
        if (reply.nStatus != 207) {
            fail.strError = QStringLiteral("The server did not send the contacts asked for (%1).")
                                .arg(HttpFailure(reply.nStatus));
            return false;
        }
        CMultiStatusParser parser;
        if (!parser.Parse(reply.strBody)) {
            fail.strError = QStringLiteral("The server's contacts could not be read: %1.")
                                .arg(parser.m_strError);
            return false;
        }
        for (auto& r : parser.m_responses) {
            if (!r.bHasCard || r.nStatus == 404)
                continue;
            const QByteArray key = Key(r.strHref, reply.url);
            if (key.isEmpty())
                continue;
            ServerItem item;
            item.strEtag = r.strEtag;
            item.strCard = std::move(r.strCard);
            item.bReadable = CardToPerson(item.strCard, item.person);
            items[key] = std::move(item);
        }
    }
    return true;
}

CSyncResult CSyncEngine::Run() {
    CSyncResult result = RunSteps();
    // The network objects belong to this thread and end with it.
    delete m_pClient;
    m_pClient = nullptr;
    return result;
}

CSyncResult CSyncEngine::RunSteps() {
    CSyncResult result;
    Fail fail;
    auto failed = [&]() {
        result.bOk = false;
        result.strError = fail.strError;
        result.bAuthFailed = fail.bAuth;
        result.bCancelled = fail.bCancelled;
        m_changes = {};
        result.bDocumentChanged = false;
        return result;
    };
    if (!CheckUrl(m_account.url, fail))
        return failed();
    if (m_account.strUser.isEmpty()) {
        fail.strError = QStringLiteral("No user name is set for the address book.");
        return failed();
    }

    // The state belongs to one address book of one user; anything else starts afresh.
    m_state.Load(m_strSidecar);
    if (m_state.m_stateUrl != m_account.url || m_state.m_strUser != m_account.strUser)
        m_state.ClearState();
    m_state.m_stateUrl = m_account.url;

    m_pClient = new CDavClient(m_account.strUser, m_account.strPassword, m_bCancel);
    Progress(QStringLiteral("Connecting..."), 0, 0);
    if (!m_state.m_collection.isValid() || m_state.m_collection.isEmpty()) {
        m_state.m_strSyncToken.clear();
        if (!FindCollection(fail))
            return failed();
        if (!CheckUrl(m_state.m_collection, fail))
            return failed();
    }
    // A path that names a collection ends with a slash, so cards resolve inside it.
    if (!m_state.m_collection.path().endsWith(QLatin1Char('/')))
        m_state.m_collection.setPath(m_state.m_collection.path() + QLatin1Char('/'));

    // --- What the server holds now -------------------------------------------------------
    Progress(QStringLiteral("Looking for changes..."), 0, 0);
    const QByteArray oldToken = m_state.m_strSyncToken;
    std::map<QByteArray, QByteArray> listed; // key -> ETag (all, or only the changed ones)
    std::vector<QByteArray> removedKeys;
    bool bFull = true;
    if (!ListServer(fail, listed, removedKeys, bFull))
        return failed();
    const QByteArray newToken = m_state.m_strSyncToken;
    m_state.m_strSyncToken = oldToken;

    std::vector<CSyncState::Entry>& entries = m_state.m_entries;
    // Drop doubled entries for one address (a damaged or hand-made sidecar).
    {
        std::set<QByteArray> seen;
        std::vector<CSyncState::Entry> unique;
        for (auto& e : entries)
            if (seen.insert(e.strHref).second)
                unique.push_back(std::move(e));
        entries = std::move(unique);
    }
    std::map<QByteArray, size_t> entryOf;
    for (size_t i = 0; i < entries.size(); ++i)
        entryOf[entries[i].strHref] = i;

    // The server's ETag of each entry now; empty when the server does not have it.
    enum class Server { Unchanged, Changed, Deleted };
    std::vector<Server> serverState(entries.size(), Server::Unchanged);
    std::vector<QByteArray> serverEtag(entries.size());
    std::set<QByteArray> removedSet(removedKeys.begin(), removedKeys.end());
    for (size_t i = 0; i < entries.size(); ++i) {
        const CSyncState::Entry& e = entries[i];
        auto it = listed.find(e.strHref);
        if (it != listed.end()) {
            serverEtag[i] = it->second;
            serverState[i] = it->second == e.strEtag ? Server::Unchanged : Server::Changed;
        } else if (bFull || removedSet.count(e.strHref)) {
            serverState[i] = Server::Deleted;
        } else {
            serverEtag[i] = e.strEtag;
            // Not known to be there: a new contact whose sending may not have arrived, or one
            // the server deleted before.
            serverState[i] = e.strEtag.isEmpty() ? Server::Deleted : Server::Unchanged;
        }
    }
    std::vector<QByteArray> newKeys;
    for (const auto& [key, etag] : listed)
        if (!entryOf.count(key))
            newKeys.push_back(key);

    // The 16-bit record count holds for the address book too.
    qsizetype nOnServer = 0;
    for (size_t i = 0; i < entries.size(); ++i)
        nOnServer += serverState[i] != Server::Deleted ? 1 : 0;
    nOnServer += qsizetype(newKeys.size());
    if (nOnServer > CVornDoc::kMaxEntries) {
        fail.strError = QStringLiteral("The address book on the server holds %1 contacts; a "
                                       "contact file holds at most 65,535, so nothing was "
                                       "synced.")
                            .arg(nOnServer);
        return failed();
    }

    // --- The server's cards that changed ---------------------------------------------------
    std::vector<QByteArray> toFetch = newKeys;
    for (size_t i = 0; i < entries.size(); ++i)
        if (serverState[i] == Server::Changed)
            toFetch.push_back(entries[i].strHref);
    std::map<QByteArray, ServerItem> fetched;
    if (!toFetch.empty() && !Fetch(toFetch, fetched, fail))
        return failed();
    // A card that went away between the listing and the fetch is gone.
    for (size_t i = 0; i < entries.size(); ++i)
        if (serverState[i] == Server::Changed && !fetched.count(entries[i].strHref))
            serverState[i] = Server::Deleted;

    // A change sent last time whose answer never came: the server's card tells whether it
    // arrived.
    for (size_t i = 0; i < entries.size(); ++i) {
        CSyncState::Entry& e = entries[i];
        if (e.strPendingCard.isEmpty())
            continue;
        if (serverState[i] == Server::Changed) {
            const ServerItem& item = fetched[e.strHref];
            CPerson sent;
            if (item.bReadable && CardToPerson(e.strPendingCard, sent) &&
                SamePerson(sent, item.person)) {
                e.strEtag = item.strEtag;
                e.strCard = item.strCard;
                e.strDigest = e.strPendingDigest;
                serverState[i] = Server::Unchanged;
            }
        }
        e.strPendingCard.clear();
        e.strPendingDigest.clear();
    }

    // What the server is known to hold before this sync changes anything.
    const std::vector<CSyncState::Entry> baseline = entries;

    // --- Which entry is which ----------------------------------------------------------------
    enum class Local { Same, Stale, Changed, None };
    const size_t nLocal = m_entries.size();
    std::vector<QByteArray> digests(nLocal);
    for (size_t i = 0; i < nLocal; ++i)
        digests[i] = Digest(m_entries[i]);
    std::vector<Local> localState(entries.size(), Local::None);
    std::vector<qsizetype> localOf(entries.size(), -1); // entry -> local index
    std::vector<qsizetype> entryOfLocal(nLocal, -1);
    {
        QHash<QByteArray, std::vector<size_t>> byDigest;
        QHash<QByteArray, std::vector<size_t>> byPrev;
        for (size_t i = entries.size(); i-- > 0;) {
            byDigest[entries[i].strDigest].push_back(i);
            if (!entries[i].strPrevDigest.isEmpty())
                byPrev[entries[i].strPrevDigest].push_back(i);
        }
        auto claim = [&](QHash<QByteArray, std::vector<size_t>>& map, size_t local, Local kind) {
            auto it = map.find(digests[local]);
            if (it == map.end())
                return false;
            while (!it->empty()) {
                const size_t entry = it->back();
                it->pop_back();
                if (localOf[entry] < 0) {
                    localOf[entry] = qsizetype(local);
                    entryOfLocal[local] = qsizetype(entry);
                    localState[entry] = kind;
                    return true;
                }
            }
            return false;
        };
        for (size_t i = 0; i < nLocal; ++i)
            claim(byDigest, i, Local::Same);
        for (size_t i = 0; i < nLocal; ++i)
            if (entryOfLocal[i] < 0)
                claim(byPrev, i, Local::Stale);
        // An entry edited since: found by its name among the entries not found by content.
        QHash<QByteArray, std::vector<size_t>> byName;
        for (size_t i = entries.size(); i-- > 0;)
            if (localOf[i] < 0)
                byName[entries[i].strName].push_back(i);
        for (size_t i = 0; i < nLocal; ++i) {
            if (entryOfLocal[i] >= 0)
                continue;
            auto it = byName.find(m_entries[i].m_strName);
            if (it == byName.end() || it->empty())
                continue;
            const size_t entry = it->back();
            it->pop_back();
            localOf[entry] = qsizetype(i);
            entryOfLocal[i] = qsizetype(entry);
            localState[entry] = Local::Changed;
        }
    }

    // --- What to do ---------------------------------------------------------------------------
    struct Send {
        enum Kind { Put, PutNew, Delete } nKind = Put;
        size_t nEntry = 0;
        qsizetype nLocal = -1;
        QByteArray strCard;
        QByteArray strDigest;
    };
    std::vector<Send> sends;
    std::vector<bool> dropEntry(entries.size(), false);
    std::vector<size_t> newLocals; // local entries to send as new contacts
    const QDateTime now = QDateTime::currentDateTime();

    auto receive = [&](size_t entry, const ServerItem& item, qsizetype local, bool bArrived) {
        CSyncState::Entry& e = entries[entry];
        const QByteArray prev = local >= 0 ? digests[size_t(local)] : QByteArray();
        e.strEtag = item.strEtag;
        e.strCard = item.strCard;
        e.strDigest = Digest(item.person);
        e.strName = item.person.m_strName;
        e.strUid = UidOf(item.strCard);
        e.bArrived = bArrived;
        e.strPrevDigest = prev;
        e.bGone = false;
        if (local >= 0)
            m_changes.replaced[size_t(local)] = item.person;
        else
            m_changes.added.push_back(item.person);
        ++result.nReceived;
    };
    auto keepConflict = [&](size_t entry, const ServerItem& item, size_t local) {
        // The local entry stays as it is and goes to the server as a contact of its own; the
        // server's version comes in beside it.
        CPerson copy = item.person;
        const QByteArray note = ConflictNote(now);
        copy.m_strNotes = copy.m_strNotes.isEmpty() ? note : note + "\r\n" + copy.m_strNotes;
        ServerItem kept = item;
        kept.person = copy;
        receive(entry, kept, -1, true);
        --result.nReceived;
        ++result.nConflicts;
        entryOfLocal[local] = -1;
        newLocals.push_back(local);
    };

    for (size_t i = 0; i < entries.size(); ++i) {
        CSyncState::Entry& e = entries[i];
        const qsizetype local = localOf[i];
        Local ls = localState[i];
        const Server ss = serverState[i];
        if (e.bGone && ls == Local::None) {
            dropEntry[i] = true;
            continue;
        }
        if (e.bGone && ss != Server::Changed) {
            if (ls == Local::Changed) {
                sends.push_back({Send::PutNew, i, local,
                                 MergedCard(e.strCard, m_entries[local], e.strUid),
                                 digests[size_t(local)]});
            } else {
                m_changes.removed.push_back(size_t(local));
                ++result.nReceived;
                dropEntry[i] = true;
            }
            continue;
        }
        if (ls == Local::Same && local >= 0) {
            e.bArrived = false;
            e.strPrevDigest.clear();
        }
        switch (ls) {
        case Local::Same:
        case Local::Stale:
            if (ss == Server::Changed) {
                const ServerItem& item = fetched[e.strHref];
                if (item.bReadable)
                    receive(i, item, local, true);
            } else if (ss == Server::Deleted) {
                m_changes.removed.push_back(size_t(local));
                ++result.nReceived;
                e.bGone = true;
                e.bArrived = false;
            } else if (ls == Local::Stale) {
                ServerItem item;
                item.strEtag = e.strEtag;
                item.strCard = e.strCard;
                item.bReadable = CardToPerson(e.strCard, item.person);
                if (item.bReadable)
                    receive(i, item, local, true);
            }
            break;
        case Local::Changed: {
            const CPerson& person = m_entries[size_t(local)];
            if (ss == Server::Unchanged) {
                sends.push_back({Send::Put, i, local, MergedCard(e.strCard, person, e.strUid),
                                 digests[size_t(local)]});
            } else if (ss == Server::Deleted) {
                // Deleted there, changed here: the change wins.
                sends.push_back({Send::PutNew, i, local, MergedCard(e.strCard, person, e.strUid),
                                 digests[size_t(local)]});
            } else {
                const ServerItem& item = fetched[e.strHref];
                if (item.bReadable && SamePerson(item.person, person)) {
                    e.strEtag = item.strEtag;
                    e.strCard = item.strCard;
                    e.strDigest = digests[size_t(local)];
                    e.strName = person.m_strName;
                } else if (item.bReadable) {
                    keepConflict(i, item, size_t(local));
                }
            }
            break;
        }
        case Local::None:
            if (ss == Server::Deleted) {
                dropEntry[i] = true;
            } else if (ss == Server::Changed) {
                // Deleted here, changed there: the change wins.
                const ServerItem& item = fetched[e.strHref];
                if (item.bReadable)
                    receive(i, item, -1, true);
            } else if (e.bArrived) {
                // Came from the server last time and is not in the file: the file was not saved
                // after that sync, so it comes in again.
                ServerItem item;
                item.strEtag = e.strEtag;
                item.strCard = e.strCard;
                item.bReadable = CardToPerson(e.strCard, item.person);
                if (item.bReadable)
                    receive(i, item, -1, true);
            } else {
                sends.push_back({Send::Delete, i, -1, {}, {}});
            }
            break;
        }
    }

    // Entries of the file not known to the server, and cards of the server not known to the
    // file: the same contents are the same contact (a sync that stopped, or a lost sidecar).
    for (size_t i = 0; i < nLocal; ++i)
        if (entryOfLocal[i] < 0 &&
            std::find(newLocals.begin(), newLocals.end(), i) == newLocals.end())
            newLocals.push_back(i);
    {
        QHash<QByteArray, std::vector<size_t>> unlinked;
        for (size_t k = newLocals.size(); k-- > 0;)
            unlinked[digests[newLocals[k]]].push_back(newLocals[k]);
        std::set<size_t> matched;
        for (const QByteArray& key : newKeys) {
            auto found = fetched.find(key);
            if (found == fetched.end() || !found->second.bReadable)
                continue;
            const ServerItem& item = found->second;
            CSyncState::Entry e;
            e.strHref = key;
            entries.push_back(e);
            dropEntry.push_back(false);
            const size_t entry = entries.size() - 1;
            auto it = unlinked.find(Digest(item.person));
            if (it != unlinked.end() && !it->empty()) {
                const size_t local = it->back();
                it->pop_back();
                matched.insert(local);
                CSyncState::Entry& linked = entries[entry];
                linked.strEtag = item.strEtag;
                linked.strCard = item.strCard;
                linked.strDigest = digests[local];
                linked.strName = m_entries[local].m_strName;
                linked.strUid = UidOf(item.strCard);
                continue;
            }
            receive(entry, item, -1, true);
        }
        std::vector<size_t> rest;
        for (size_t local : newLocals)
            if (!matched.count(local))
                rest.push_back(local);
        newLocals = std::move(rest);
    }
    for (size_t local : newLocals) {
        CSyncState::Entry e;
        e.strUid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8();
        e.strHref = m_state.m_collection.path(QUrl::FullyDecoded).toUtf8() + e.strUid + ".vcf";
        e.strName = m_entries[local].m_strName;
        entries.push_back(e);
        dropEntry.push_back(false);
        sends.push_back({Send::PutNew, entries.size() - 1, qsizetype(local),
                         NewCard(m_entries[local], e.strUid), digests[local]});
    }

    // The file must still fit in its 16-bit record count afterwards.
    const qsizetype nAfter =
        qsizetype(nLocal) - qsizetype(m_changes.removed.size()) + qsizetype(m_changes.added.size());
    if (nAfter > CVornDoc::kMaxEntries) {
        fail.strError = QStringLiteral("The sync would leave %1 entries in the contact file, "
                                       "which holds at most 65,535, so nothing was synced.")
                            .arg(nAfter);
        return failed();
    }

    // --- Sending -------------------------------------------------------------------------------
    // Before anything goes out the sidecar names what is about to be sent, so a sync that stops
    // halfway finds its new contacts under the addresses chosen here instead of sending them
    // twice. The entries it keeps are those the server knows so far: receiving is recorded only
    // once the whole sync has succeeded.
    CSyncState sent = m_state; // what the server is known to hold, entry by entry
    sent.m_strSyncToken = oldToken;
    std::map<QByteArray, CSyncState::Entry> known;
    for (const auto& e : baseline)
        known[e.strHref] = e;
    for (const Send& s : sends) {
        const CSyncState::Entry& e = entries[s.nEntry];
        CSyncState::Entry& k = known[e.strHref];
        if (k.strHref.isEmpty()) {
            k = e;
            k.strEtag.clear();
            k.strCard.clear();
        }
        if (s.nKind != Send::Delete) {
            k.strPendingCard = s.strCard;
            k.strPendingDigest = s.strDigest;
        }
    }
    auto writeKnown = [&](QString* pError) {
        // The file no longer holds what was read at the start.
        sent.m_strLoaded.clear();
        m_state.m_strLoaded.clear();
        sent.m_entries.clear();
        sent.m_entries.reserve(known.size());
        for (const auto& [href, e] : known)
            sent.m_entries.push_back(e);
        sent.m_collection = m_state.m_collection;
        sent.m_stateUrl = m_account.url;
        sent.m_url = m_account.url;
        sent.m_strUser = m_account.strUser;
        sent.m_bSyncOnOpenSave = m_account.bSyncOnOpenSave;
        sent.m_bPlainHttpConfirmed = m_account.bPlainHttpConfirmed;
        return sent.Save(m_strSidecar, pError);
    };
    QString saveError;
    if (!sends.empty() && !writeKnown(&saveError)) {
        fail.strError = QStringLiteral("The sync state could not be saved: %1").arg(saveError);
        return failed();
    }

    QStringList refusals;
    int nRefused = 0;
    std::vector<Send> retries;
    QElapsedTimer sinceSave;
    sinceSave.start();
    for (int round = 0; round < 2 && !sends.empty(); ++round) {
        for (size_t start = 0; start < sends.size(); start += kSendChunk) {
            const size_t end = std::min(sends.size(), start + kSendChunk);
            std::vector<CDavClient::Request> requests;
            for (size_t k = start; k < end; ++k) {
                const Send& s = sends[k];
                const CSyncState::Entry& e = entries[s.nEntry];
                CDavClient::Request request;
                request.url = UrlOf(e.strHref);
                if (s.nKind == Send::Delete) {
                    request.strMethod = "DELETE";
                    request.strIfMatch = e.strEtag;
                } else {
                    request.strMethod = "PUT";
                    request.strContentType = kCardType;
                    request.strBody = s.strCard;
                    if (s.nKind == Send::PutNew)
                        request.bIfNoneMatch = true;
                    else
                        request.strIfMatch = e.strEtag;
                }
                requests.push_back(std::move(request));
            }
            int nDone = int(start);
            const int nTotal = int(sends.size());
            const std::vector<CDavClient::Reply> replies =
                m_pClient->SendAll(requests, [&](size_t) {
                    ++nDone;
                    Progress(QStringLiteral("Sending %1 of %2...").arg(nDone).arg(nTotal), nDone,
                             nTotal);
                });
            bool bStop = false;
            for (size_t k = start; k < end; ++k) {
                const Send& s = sends[k];
                const CDavClient::Reply& reply = replies[k - start];
                CSyncState::Entry& e = entries[s.nEntry];
                CSyncState::Entry& kn = known[e.strHref];
                if (reply.bCancelled || !reply.strError.isEmpty() || reply.nStatus == 401) {
                    if (!bStop)
                        StatusFails(reply, CDavClient::Display(m_state.m_collection), fail.strError,
                                    fail.bAuth, fail.bCancelled);
                    bStop = true;
                    continue;
                }
                const int status = reply.nStatus;
                if (status >= 200 && status < 300) {
                    ++result.nSent;
                    if (s.nKind == Send::Delete) {
                        dropEntry[s.nEntry] = true;
                        known.erase(e.strHref);
                        continue;
                    }
                    e.strCard = s.strCard;
                    e.strDigest = s.strDigest;
                    e.strName = m_entries[size_t(s.nLocal)].m_strName;
                    e.bArrived = false;
                    e.bGone = false;
                    e.strPrevDigest.clear();
                    if (e.strUid.isEmpty())
                        e.strUid = UidOf(s.strCard);
                    kn = e;
                    if (!reply.strEtag.isEmpty()) {
                        e.strEtag = reply.strEtag;
                        kn.strEtag = reply.strEtag;
                    } else {
                        // No ETag in the answer: the next sync compares the server's card with
                        // the one sent.
                        e.strEtag.clear();
                        kn.strEtag.clear();
                        kn.strPendingCard = s.strCard;
                        kn.strPendingDigest = s.strDigest;
                        e.strPendingCard = s.strCard;
                        e.strPendingDigest = s.strDigest;
                    }
                    continue;
                }
                if (s.nKind == Send::Delete && status == 404) {
                    dropEntry[s.nEntry] = true;
                    known.erase(e.strHref);
                    continue;
                }
                if (status == 412 || (status == 404 && s.nKind == Send::Put)) {
                    // The server's card changed (or went) since it was last seen.
                    if (round == 0)
                        retries.push_back(s);
                    continue;
                }
                ++nRefused;
                kn.strPendingCard.clear();
                kn.strPendingDigest.clear();
                if (refusals.size() < 3)
                    refusals.append(
                        QStringLiteral("\"%1\": %2")
                            .arg(QString::fromUtf8(s.nLocal >= 0
                                                       ? m_entries[size_t(s.nLocal)].m_strName
                                                       : e.strName),
                                 HttpFailure(status)));
            }
            if (bStop || sinceSave.elapsed() >= kSaveIntervalMs || end == sends.size()) {
                if (!writeKnown(&saveError) && !bStop) {
                    fail.strError =
                        QStringLiteral("The sync state could not be saved: %1").arg(saveError);
                    bStop = true;
                }
                sinceSave.restart();
            }
            if (bStop)
                return failed();
        }
        // Cards that changed on the server while this sync ran: fetched again and treated as
        // the changes they are.
        sends.clear();
        if (retries.empty())
            break;
        std::vector<QByteArray> keys;
        for (const Send& s : retries)
            keys.push_back(entries[s.nEntry].strHref);
        std::map<QByteArray, ServerItem> again;
        if (!Fetch(keys, again, fail))
            return failed();
        for (const Send& s : retries) {
            CSyncState::Entry& e = entries[s.nEntry];
            auto it = again.find(e.strHref);
            known[e.strHref].strPendingCard.clear();
            known[e.strHref].strPendingDigest.clear();
            if (s.nKind == Send::Delete) {
                // Deleted here, changed there: the change wins.
                if (it != again.end() && it->second.bReadable)
                    receive(s.nEntry, it->second, -1, true);
                else
                    dropEntry[s.nEntry] = true;
                continue;
            }
            const CPerson& person = m_entries[size_t(s.nLocal)];
            if (it == again.end()) {
                Send retry = s;
                retry.nKind = Send::PutNew;
                sends.push_back(retry);
                continue;
            }
            const ServerItem& item = it->second;
            if (item.bReadable && SamePerson(item.person, person)) {
                e.strEtag = item.strEtag;
                e.strCard = item.strCard;
                e.strDigest = s.strDigest;
                e.strName = person.m_strName;
                e.strUid = UidOf(item.strCard);
                continue;
            }
            if (s.nKind == Send::PutNew && e.strEtag.isEmpty()) {
                // The address chosen is taken by another card: the server's card comes in, and
                // this entry goes to an address of its own.
                receive(s.nEntry, item, -1, true);
                CSyncState::Entry fresh;
                fresh.strUid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8();
                fresh.strHref =
                    m_state.m_collection.path(QUrl::FullyDecoded).toUtf8() + fresh.strUid + ".vcf";
                fresh.strName = person.m_strName;
                entries.push_back(fresh);
                dropEntry.push_back(false);
                Send retry = s;
                retry.nEntry = entries.size() - 1;
                retry.strCard = NewCard(person, fresh.strUid);
                sends.push_back(retry);
                continue;
            }
            if (item.bReadable) {
                ++result.nConflicts;
                CPerson copy = item.person;
                const QByteArray note = ConflictNote(now);
                copy.m_strNotes =
                    copy.m_strNotes.isEmpty() ? note : note + "\r\n" + copy.m_strNotes;
                ServerItem kept = item;
                kept.person = copy;
                receive(s.nEntry, kept, -1, true);
                --result.nReceived;
                CSyncState::Entry fresh;
                fresh.strUid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8();
                fresh.strHref =
                    m_state.m_collection.path(QUrl::FullyDecoded).toUtf8() + fresh.strUid + ".vcf";
                fresh.strName = person.m_strName;
                entries.push_back(fresh);
                dropEntry.push_back(false);
                Send retry = s;
                retry.nKind = Send::PutNew;
                retry.nEntry = entries.size() - 1;
                retry.strCard = NewCard(person, fresh.strUid);
                sends.push_back(retry);
            }
        }
        retries.clear();
        for (const Send& s : sends) {
            CSyncState::Entry& k = known[entries[s.nEntry].strHref];
            if (k.strHref.isEmpty())
                k = entries[s.nEntry];
            k.strPendingCard = s.strCard;
            k.strPendingDigest = s.strDigest;
        }
        if (!sends.empty() && !writeKnown(&saveError)) {
            fail.strError = QStringLiteral("The sync state could not be saved: %1").arg(saveError);
            return failed();
        }
    }
    if (nRefused > 0) {
        fail.strError = QStringLiteral("The server refused %1 change(s): %2.")
                            .arg(nRefused)
                            .arg(refusals.join(QStringLiteral(", ")));
        return failed();
    }

    // --- Done: the state with what came in, and the new token ---------------------------------
    std::vector<CSyncState::Entry> kept;
    kept.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        if (!dropEntry[i])
            kept.push_back(std::move(entries[i]));
    entries = std::move(kept);
    m_state.m_strSyncToken = newToken;
    if (!SaveState(&saveError)) {
        fail.strError = QStringLiteral("The sync state could not be saved: %1").arg(saveError);
        return failed();
    }
    result.bOk = true;
    result.bDocumentChanged =
        !m_changes.replaced.empty() || !m_changes.removed.empty() || !m_changes.added.empty();
    Progress(result.Summary(), 1, 1);
    return result;
}
