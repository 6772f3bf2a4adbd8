// The tray icon and the main window on Qt's offscreen platform, and the Qt loop sharing
// the server's one thread with Asio.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include <atomic>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/shell.h"
#include "app/ui/qt_view.h"
#include "app/version.h"
#include "harness/child_process.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;

namespace {

struct Ui : ::testing::Test {
    static void SetUpTestSuite() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "tests_app_ui";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
    static void settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

// The Qt view with a timer of the test on the server's loop; owned by the shell like the
// real view, so the timer goes before the loop does.
struct Scripted : QtView {
    Scripted(EventLoop& loop, EventLog& log, std::ostream& err) : QtView(loop, log, err), timer(loop.io()) {}
    // Calls `step` every `period` while it returns true.
    void every(std::chrono::milliseconds period, std::function<bool()> step) {
        timer.expires_after(period);
        timer.async_wait([this, period, step](const asio::error_code& ec) {
            if (!ec && step()) every(period, step);
        });
    }
    asio::steady_timer timer;
};

}  // namespace

// Qt's font configuration keeps its caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

TEST_F(Ui, TrayIconMenuClicksAndHiding) {
    MainWindow w;
    int exits = 0;
    w.setExitHandler([&] { ++exits; });
    w.start();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(testoVersione(3, 5, 12), "Ver. 3.05.012");

    // The menu is what a right click opens; the click itself shows nothing.
    EXPECT_EQ(w.tray().contextMenu(), &w.menu());
    w.trayActivated(QSystemTrayIcon::Context);
    EXPECT_FALSE(w.isVisible());

    // Left click and double click restore the window from hidden and from minimised.
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
        w.hide();
        w.setWindowState(Qt::WindowMinimized);
        settle();
        w.trayActivated(reason);
        settle();
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
    }

    // Minimising hides; the button, the menu's hide and closing the window hide too.
    w.setWindowState(Qt::WindowMinimized);
    settle();
    EXPECT_FALSE(w.isVisible());
    w.mPopShow()->trigger();
    EXPECT_TRUE(w.isVisible());
    w.command1()->click();
    EXPECT_FALSE(w.isVisible());
    w.mPopRestore()->trigger();
    EXPECT_TRUE(w.isVisible());
    w.mPopHide()->trigger();
    EXPECT_FALSE(w.isVisible());
    w.show();
    w.close();
    settle();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(exits, 0) << "closing the window must not end the program";

    w.mPopExit()->trigger();
    EXPECT_EQ(exits, 1);

    w.setStatus("In servizio: collegamento 3; pagina di stato http://127.0.0.1:8090/");
    EXPECT_EQ(w.findChild<QLabel*>("LabelStato")->text(),
              "In servizio: collegamento 3; pagina di stato <a href=\"http://127.0.0.1:8090/\">http://127.0.0.1:8090/</a>");
}

TEST_F(Ui, AMessageBoxNeitherBlocksTheLoopNorStaysOutOfTheLog) {
    test::TempDir dir;
    Clock clock;
    EventLog log(dir.path(), clock);
    EventLoop loop;
    std::ostringstream err;
    QtView view(loop, log, err);

    for (int i = 0; i < 2; ++i)
        view.operatore().messageBox("Inizializzazione non riuscita dei terminali agli indirizzi : 7, ",
                                    Operatore::Icona::Informazione);

    // Work on the same loop (a card read's, say) still runs while the box is open.
    asio::steady_timer work(loop.io());
    bool ran = false;
    work.expires_after(100ms);
    work.async_wait([&](const asio::error_code& ec) { ran = !ec; });
    EXPECT_TRUE(loop.waitUntil([&] { return ran; }, 10s));
    // The box is on screen all the while, once, and in the event log twice.
    EXPECT_EQ(static_cast<QtOperatore&>(view.operatore()).openBoxes(), 1);
    std::ifstream in(log.path());
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    size_t lines = 0;
    const std::string line = "*** VELARIS. Controllo Accessi *** [informazione] Inizializzazione";
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++lines;
    EXPECT_EQ(lines, 2u) << text;
}

TEST_F(Ui, ExitFromTheTrayMenuRunsTheShutdownSequence) {
    test::TempDir dir;
    const std::string db = (dir / "centro.db").string();
    const std::string exe = VELARIS_ACCESSI_EXE;
    ASSERT_EQ(test::runCommand(exe, {"database", "create", db}).first, 0);
    ASSERT_EQ(test::runCommand(exe, {"sql", "--database", db,
                                     "INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP) "
                                     "VALUES (1, -1, 1, '127.0.0.1')"})
                  .first,
              0);
    const int port = test::freePort();
    std::ofstream(dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << port
                                       << "\n[Web]\nPort=0\n";
    setenv("DISPLAY", ":99", 1);

    // The terminal connects, identifies itself and waits on its connection for whatever
    // comes; once it is known, the operator chooses exit from the tray menu.
    std::atomic<bool> identified{false};
    std::string farewell;
    std::thread terminal([&] {
        const std::string hello = "GET /keepalive?id=1 HTTP/1.1\r\n\r\n";
        for (int i = 0; i < 100 && !identified; ++i) {
            const int fd = test::connectLoopback(port);
            if (fd >= 0 && ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) > 0) {
                farewell = test::readFrom(fd, "keepaliveperiod", 1s);
                identified = farewell.find("keepaliveperiod") != std::string::npos;
                if (identified) farewell += test::readFrom(fd, "DISABILITATO", 10s);
            }
            if (fd >= 0) close(fd);
            if (!identified) std::this_thread::sleep_for(100ms);
        }
    });
    QtView* view = nullptr;
    OperatorViewFactory factory = [&](EventLoop& loop, EventLog& log, std::ostream& err) {
        auto v = std::make_unique<Scripted>(loop, log, err);
        view = v.get();
        v->every(50ms, [&] {
            if (identified) view->window().mPopExit()->trigger();
            return !identified;
        });
        return v;
    };

    std::string args[] = {"velaris-accessi", "Provider=SQLite;Data Source=" + db + ";0", "--config",
                          (dir / "Velaris.ini").string(), "--log-dir", dir.path().string()};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(), args[5].data()};
    std::ostringstream out, err;
    const int status = runServer(6, argv, out, err, factory);
    terminal.join();
    unsetenv("DISPLAY");
    EXPECT_EQ(status, 0) << err.str();
    ASSERT_NE(view, nullptr) << "a desktop session shows the window";
    // The farewell of a keypad terminal begins with "%BxK0".
    EXPECT_NE(farewell.find("%BxK0"), std::string::npos) << farewell << err.str();

    // --headless: no window even with a desktop.
    setenv("DISPLAY", ":99", 1);
    bool made = false;
    OperatorViewFactory never = [&](EventLoop&, EventLog&, std::ostream&) -> std::unique_ptr<OperatorView> {
        made = true;
        return nullptr;
    };
    std::ofstream(dir / "Velaris.ini") << "[Comm]\n";  // no link kind: the start-up ends at once
    std::string headless = "--headless";
    char* argv2[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), headless.data()};
    EXPECT_EQ(runServer(5, argv2, out, err, never), 3);
    EXPECT_FALSE(made);
    unsetenv("DISPLAY");
    EXPECT_FALSE(desktopSession());
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_TRUE(desktopSession());
    unsetenv("WAYLAND_DISPLAY");
}
