#pragma once
// The operator's view with Qt Widgets, on the server's one thread.
//
// Qt and Asio share the thread this way: the Asio loop stays the main loop (every wait
// of the system runs it), and a repeating Asio timer lets Qt process its pending events
// for at most a few milliseconds every `kPumpInterval`. Asio handlers run as soon as
// their sockets or timers are ready, Qt's events within one interval; neither loop can
// hold the other for more than one bounded slice. Message boxes are modeless dialogs,
// never a nested Qt loop, so a card read is answered while one is open.

#include <asio.hpp>

#include <QApplication>

#include <chrono>
#include <memory>

#include "app/operator_view.h"
#include "app/ui/main_window.h"

namespace velaris {

// Lets Qt process its events from the Asio loop.
class QtPump {
public:
    static constexpr std::chrono::milliseconds kPumpInterval{15};
    static constexpr int kSliceMs = 8;

    explicit QtPump(EventLoop& loop);
    ~QtPump();

private:
    void arm();
    asio::steady_timer timer_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// Message boxes as modeless dialogs, each also a line in the event log and on standard
// error. A text already on screen is brought forward instead of opened again, and the
// number of boxes open at once is bounded, so a flood of messages cannot bury the desk.
class QtOperatore : public Operatore {
public:
    static constexpr int kMaxOpen = 8;
    QtOperatore(EventLog& log, std::ostream& err) : log_(log), err_(err) {}
    void messageBox(const std::string& text, Icona icon) override;
    int openBoxes() const;

private:
    EventLog& log_;
    std::ostream& err_;
};

class QtView : public OperatorView {
public:
    // Creates the application object when there is none yet.
    QtView(EventLoop& loop, EventLog& log, std::ostream& err);
    ~QtView() override;

    Operatore& operatore() override { return operatore_; }
    void show(std::function<void()> exit) override;
    void setStatus(const std::string& text) override;
    void waitForMessageBoxes() override;

    MainWindow& window() { return *window_; }

private:
    std::unique_ptr<QApplication> app_;
    EventLog& log_;
    QtOperatore operatore_;
    std::unique_ptr<MainWindow> window_;
    QtPump pump_;
};

// The factory the executable hands to the shell.
std::unique_ptr<OperatorView> createQtView(EventLoop& loop, EventLog& log, std::ostream& err);

}  // namespace velaris
