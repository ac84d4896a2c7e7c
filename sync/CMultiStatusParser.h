#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Reads a WebDAV multistatus answer (PROPFIND, REPORT sync-collection, addressbook-multiget) into
// plain values. The reader trusts nothing: a document type declaration (and with it every entity
// expansion trick) is refused, nesting deeper than kMaxDepth, more than kMaxResponses responses
// or a text longer than kMaxText end the reading with an error, and broken or truncated XML is an
// error, never a crash.
class CMultiStatusParser {
public:
    static constexpr int kMaxDepth = 64;
    static constexpr qsizetype kMaxResponses = 1'000'000;
    // A single card with a large photo still fits.
    static constexpr qsizetype kMaxText = 64 * 1024 * 1024;

    struct Response {
        QByteArray strHref;  // as sent (percent-encoded path or URL)
        int nStatus = 0;     // the response's own status line (sync-collection: 404 gone)
        int nPropStatus = 0; // the status of the propstat holding the values found
        QByteArray strEtag;  // getetag, quotes kept
        QByteArray strCard;  // address-data
        bool bHasCard = false;
        bool bCollection = false; // resourcetype: collection
        bool bAddressBook = false;
        QByteArray strPrincipal;      // current-user-principal/href
        QByteArray strHomeSet;        // addressbook-home-set/href (the first)
        bool bSyncCollection = false; // supported-report-set names sync-collection
        QByteArray strSyncToken;      // a sync-token property
    };

    // Parses `xml`; false with `strError` set when it is not a sound multistatus answer.
    bool Parse(const QByteArray& xml);

    std::vector<Response> m_responses;
    // The multistatus' own sync-token (sync-collection).
    QByteArray m_strSyncToken;
    QString m_strError;
};
