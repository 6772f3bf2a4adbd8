#include "app/ui/qt_view.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdlib>
#include <ostream>
#include <thread>

namespace velaris {

QtPump::QtPump(EventLoop& loop) : timer_(loop.io()) { arm(); }

QtPump::~QtPump() {
    alive_.reset();
    timer_.cancel();
}

void QtPump::arm() {
    std::weak_ptr<char> alive = alive_;
    timer_.expires_after(kPumpInterval);
    timer_.async_wait([this, alive](const asio::error_code& ec) {
        if (ec || alive.expired()) return;
        arm();
        QCoreApplication::processEvents(QEventLoop::AllEvents, kSliceMs);
        // Dialogs closed by the operator delete themselves through deferred deletion,
        // which only a running Qt loop would otherwise carry out.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
}

void QtOperatore::messageBox(const std::string& text, Icona icon) {
    const std::string line = std::string(kTitolo) + (icon == Icona::Critico ? " [critico] " : " [informazione] ") + text;
    err_ << line << std::endl;
    log_.timed(line);

    const QString body = QString::fromStdString(text);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box && box->isVisible() && box->text() == body) {
            box->raise();
            return;
        }
    }
    if (openBoxes() >= kMaxOpen) return;  // on standard error and in the log all the same
    auto* box = new QMessageBox(icon == Icona::Critico ? QMessageBox::Critical : QMessageBox::Information,
                                QString::fromUtf8(kTitolo), body, QMessageBox::Ok);
    box->setObjectName("MessageBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

int QtOperatore::openBoxes() const {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) && w->isVisible()) ++n;
    return n;
}

namespace {
// Qt ends the process when the desktop named by DISPLAY cannot be reached; with the
// offscreen platform as a fallback the server starts all the same, without a window.
void preferFallbackPlatform() {
    if (const char* set = std::getenv("QT_QPA_PLATFORM"); set && *set) return;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", wayland && *wayland ? "wayland;xcb;offscreen" : "xcb;offscreen", 1);
}

int argc_ = 1;
char arg0_[] = "velaris-accessi";
char* argv_[] = {arg0_, nullptr};
}  // namespace

QtView::QtView(EventLoop& loop, EventLog& log, std::ostream& err)
    : app_(QApplication::instance() ? nullptr : (preferFallbackPlatform(), std::make_unique<QApplication>(argc_, argv_))),
      log_(log),
      operatore_(log, err),
      window_(std::make_unique<MainWindow>()),
      pump_(loop) {
    QApplication::setQuitOnLastWindowClosed(false);
    if (QGuiApplication::platformName() == "offscreen" && app_)
        err << "velaris-accessi: desktop non raggiungibile, finestra non visibile" << std::endl;
    log.addObserver([w = QPointer<MainWindow>(window_.get())](std::string_view line) {
        if (w) w->appendLog(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    });
}

QtView::~QtView() {
    window_->tray().hide();  // the icon goes with the process
    window_.reset();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w)) delete w;
}

void QtView::show(std::function<void()> exit) {
    window_->setExitHandler(std::move(exit));
    window_->start();
}

void QtView::setStatus(const std::string& text) { window_->setStatus(QString::fromStdString(text)); }

void QtView::waitForMessageBoxes() {
    while (operatore_.openBoxes() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

std::unique_ptr<OperatorView> createQtView(EventLoop& loop, EventLog& log, std::ostream& err) {
    return std::make_unique<QtView>(loop, log, err);
}

}  // namespace velaris
