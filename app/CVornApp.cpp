#include "CVornApp.h"

#include "IProfileStore.h"

namespace {
CVornApp* g_pApp = nullptr;
const QString kOptions = QStringLiteral("options");
} // namespace

CVornApp::CVornApp(QObject* parent) : QObject(parent) { g_pApp = this; }

CVornApp::~CVornApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

CVornApp* CVornApp::Instance() { return g_pApp; }

void CVornApp::ReadSettings() {
    IProfileStore& profile = IProfileStore::Instance();
    m_bConfirmDelete = profile.GetProfileInt(kOptions, QStringLiteral("ConfirmDelete"), 1) != 0;
    m_bAutoUpdate = profile.GetProfileInt(kOptions, QStringLiteral("AutoUpdate"), 0) != 0;
    m_strDialPrefix =
        profile.GetProfileString(kOptions, QStringLiteral("dial prefix"), QStringLiteral("9"));
    // Any number but the four known ones leaves the mode as it is.
    const int search = profile.GetProfileInt(kOptions, QStringLiteral("search"), 1087);
    if (search >= kSearchProfileBase && search <= kSearchProfileBase + Poor)
        m_nSearchMode = search - kSearchProfileBase;
    m_bPassword = profile.GetProfileInt(kOptions, QStringLiteral("password"), 0) != 0;
}

void CVornApp::WriteExitSettings() {
    IProfileStore::Instance().WriteProfileString(kOptions, QStringLiteral("dial prefix"),
                                                 m_strDialPrefix);
}
