// The application's horoscope commands: File > New Horoscope and File > Open Horoscopes.
#include "app/caelvane_app.h"
#include "app/main_frame.h"
#include "app/natal_window.h"

namespace {

CNatalWindow::SaveNamePrompt SavePrompt(const CAppOptions& options) {
    return options.horoscopeSaveName ? CNatalWindow::SaveNamePrompt(options.horoscopeSaveName)
                                     : CNatalWindow::SaveNamePrompt();
}

}  // namespace

bool CCaelvaneApp::OnFileNewHoroscope() {
    return NewNatalWindow(*m_host, m_mainFrame, SavePrompt(m_options), true, m_profile.get()) !=
           nullptr;
}

bool CCaelvaneApp::OnFileOpenHoroscopes() {
    const QString path = m_options.horoscopeFileName ? m_options.horoscopeFileName(m_mainFrame)
                                                     : AskHoroscopeFileName(m_mainFrame);
    return !path.isEmpty() && OpenHoroscopeFile(path);
}

bool CCaelvaneApp::OpenHoroscopeFile(const QString& path) {
    return OpenNatalWindow(path, *m_host, m_mainFrame, SavePrompt(m_options), m_profile.get()) !=
           nullptr;
}
