#include "app/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "system/system.h"
#include "app/version.h"

namespace velaris {

namespace {
// The program's icon: a green door mark, drawn so that no image file has to travel with
// the executable.
QIcon programIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x12, 0x23, 0x3f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 2, 60, 60, 12, 12);
    p.setBrush(QColor(0x2e, 0xb8, 0x5c));
    p.drawRect(20, 12, 24, 42);
    p.setBrush(QColor(0x12, 0x23, 0x3f));
    p.drawEllipse(QPointF(37, 34), 3, 3);
    return QIcon(pixmap);
}
}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent),
      labelVersion_(new QLabel(this)),
      status_(new QLabel(this)),
      log_(new QPlainTextEdit(this)),
      command1_(new QPushButton(QStringLiteral("Nascondi"), this)),
      tray_(this) {
    setObjectName("frmMain");
    setWindowTitle(QString::fromUtf8(Operatore::kTitolo));
    const QIcon icon = programIcon();
    setWindowIcon(icon);
    resize(640, 360);

    labelVersion_->setObjectName("LabelVersion");
    labelVersion_->setText(QString::fromStdString(testoVersione()));
    status_->setObjectName("LabelStato");
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    status_->setOpenExternalLinks(true);
    log_->setObjectName("Registro");
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(200);
    command1_->setObjectName("Command1");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(log_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(labelVersion_);
    bottom->addStretch(1);
    bottom->addWidget(command1_);
    layout->addLayout(bottom);

    menu_.setObjectName("mPopupSys");
    restore_ = menu_.addAction(QStringLiteral("Ripristina"));
    restore_->setObjectName("mPopRestore");
    show_ = menu_.addAction(QStringLiteral("Mostra"));
    show_->setObjectName("mPopShow");
    hide_ = menu_.addAction(QStringLiteral("Nascondi"));
    hide_->setObjectName("mPopHide");
    menu_.addSeparator();
    exit_action_ = menu_.addAction(QStringLiteral("Esci"));
    exit_action_->setObjectName("mPopExit");

    connect(restore_, &QAction::triggered, this, &MainWindow::restore);
    connect(show_, &QAction::triggered, this, &QWidget::show);
    connect(hide_, &QAction::triggered, this, &QWidget::hide);
    connect(exit_action_, &QAction::triggered, this, [this] {
        if (exit_) exit_();
    });
    connect(command1_, &QPushButton::clicked, this, &QWidget::hide);

    tray_.setIcon(icon);
    tray_.setToolTip(QString::fromUtf8(kTip));
    // The shell opens this menu on a right click.
    tray_.setContextMenu(&menu_);
    connect(&tray_, &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);
}

void MainWindow::start() {
    hide();
    tray_.show();
}

void MainWindow::setStatus(const QString& text) {
    // The status page's address opens in the desktop's browser with a click.
    QString html = text.toHtmlEscaped();
    html.replace(QRegularExpression("(https?://[^\\s;]+)"), "<a href=\"\\1\">\\1</a>");
    status_->setText(html);
}

void MainWindow::appendLog(const QString& line) { log_->appendPlainText(line); }

void MainWindow::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:      // left button
        case QSystemTrayIcon::DoubleClick:  // left button, twice
            restore();
            break;
        case QSystemTrayIcon::Context:      // right button: the menu is the icon's own
        default:
            break;
    }
}

void MainWindow::restore() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        // Hidden once the state change is complete, as the window manager expects.
        QTimer::singleShot(0, this, [this] {
            if (windowState() & Qt::WindowMinimized) hide();
        });
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window must not stop access control by accident: it hides, and the
    // program ends through the tray menu's exit only.
    event->ignore();
    hide();
}

}  // namespace velaris
