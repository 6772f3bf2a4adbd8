#pragma once
// The main window `frmMain` and its tray icon: the window normally stays hidden, the
// operator reaches it through the icon. Left click and double click on the icon restore
// the window and bring it forward; right click opens the menu `mPopupSys` (restore,
// show, hide, exit). Minimising hides the window, the button `Command1` hides it, and
// closing it only hides it too: the program ends through the menu's exit alone, which
// runs the shutdown sequence.

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>

namespace velaris {

class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTip = "VELARIS. Controllo accessi";

    explicit MainWindow(QWidget* parent = nullptr);

    // Runs when the operator chooses exit.
    void setExitHandler(std::function<void()> exit) { exit_ = std::move(exit); }
    // Hides the window and adds the tray icon (start-up).
    void start();
    void setStatus(const QString& text);
    void appendLog(const QString& line);

    QSystemTrayIcon& tray() { return tray_; }
    QMenu& menu() { return menu_; }
    QAction* mPopRestore() const { return restore_; }
    QAction* mPopShow() const { return show_; }
    QAction* mPopHide() const { return hide_; }
    QAction* mPopExit() const { return exit_action_; }
    QPushButton* command1() const { return command1_; }
    QLabel* labelVersion() const { return labelVersion_; }

public slots:
    // The tray callback: what a click on the icon does.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // Window state normal, in the foreground, shown.
    void restore();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* labelVersion_;
    QLabel* status_;
    QPlainTextEdit* log_;
    QPushButton* command1_;
    QMenu menu_;
    QAction* restore_;
    QAction* show_;
    QAction* hide_;
    QAction* exit_action_;
    QSystemTrayIcon tray_;
    std::function<void()> exit_;
};

}  // namespace velaris
