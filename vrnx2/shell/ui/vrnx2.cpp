// The window program: message table, reset switch, single instance, main window.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Vrnx2Version.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/shell/Startup.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/QtUserInterface.h"
#include "vrnx2/shell/ui/SingleInstance.h"
#include "vrnx2/shell/ui/WindowHooks.h"

namespace vrnx2 {

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminate(int sig) {
    // A second signal ends the program at once, should closing the window hang.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(sig, &fallback, nullptr);
    const char c = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP close the main window as the person would, so it saves its
// state and the instance lock is released; the signal handler only wakes the event loop.
bool CatchTerminateSignals() {
    if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
    return true;
}

}  // namespace

}  // namespace vrnx2

using namespace vrnx2;

int main(int argc, char* argv[]) {
    // Read before Qt takes its own options out of argv.
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Answered before any window exists, so it works without a display.
    for (const std::string& arg : args) {
        if (arg == "--version") {
            std::fputs(VersionLine("vrnx2").c_str(), stdout);
            return 0;
        }
    }

    MessageTable& table = MessageTable::Instance();
    table.LoadDefault();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnex v2"));
    // Desktops match the window to the installed desktop entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.halv.Varnex2"));
    // The standard buttons of message boxes (Yes, No, Retry) in the user's language, where
    // Qt's translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    QApplication::setFont(WindowFont());

    QtUserInterface ui;
    SetUserInterface(&ui);

    // The reset comes before the single-instance check, so it works beside a running one.
    if (HasResetSwitch(args)) {
        const int code = ResetSettings();
        SetUserInterface(nullptr);
        table.Clear();
        return code;
    }

    SingleInstance instance;
    if (!instance.Acquire()) {
        SingleInstance::ActivateRunning();
        SetUserInterface(nullptr);
        table.Clear();
        return 0;
    }

    int code = 0;
    {
        TVRNX_Form form;
        ConnectWindows(form);
        QObject::connect(&instance, &SingleInstance::activateRequested, &form,
                         [&form] { BringToFront(&form); });
        std::unique_ptr<QSocketNotifier> terminate;
        if (CatchTerminateSignals()) {
            terminate = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
            QObject::connect(terminate.get(), &QSocketNotifier::activated, &form, [&form] {
                char buffer[16];
                while (read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
                }
                // During a build a second signal must not end the program at once: that
                // would leave the builder running and the plugin folder moved aside.
                if (form.Building()) CatchTerminateSignals();
                form.CloseOnSignal();
            });
        }
        form.show();
        // Only to the front: the window may have opened in its stored minimised state.
        form.raise();
        form.activateWindow();
        code = QApplication::exec();
    }
    SetUserInterface(nullptr);
    table.Clear();
    return code;
}
