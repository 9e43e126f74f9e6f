#include "views/QtMainView.h"

#include "app/AppFolders.h"
#include "app/Localization.h"
#include "views/QTitleBar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace app {

namespace {

QString to_qstring(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

QtMainView::QtMainView(int x, int y, int width, int height, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName("mainWindow");
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setContentsMargins(6, 0, 6, 0);
    setUpDocks();

    titleBar_ = new QtView::QTitleBar(this);
    titleBar_->setIcon(QApplication::windowIcon().pixmap(20, 20));
    setMenuWidget(titleBar_);
    buildLanguageButton();

    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    setCentralWidget(central);
    buildLiveViewArea(central);

    tickTimer_ = new QTimer(this);
    connect(tickTimer_, &QTimer::timeout, this, [this] { runTick(); });
    tickTimer_->start(16);

    move(x, y);
    resize(width, height);
}

QtMainView::~QtMainView() = default;

void QtMainView::buildLanguageButton()
{
    languageButton_ = new QToolButton(titleBar_);
    languageButton_->setObjectName("languageButton");
    languageButton_->setText(QStringLiteral("Language"));
    languageButton_->setIcon(QIcon(to_qstring(get_data_directory()) + "/icon_lang_small.png"));
    languageButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    languageButton_->setPopupMode(QToolButton::InstantPopup);
    languageButton_->setAutoRaise(true);
    languageButton_->setFocusPolicy(Qt::NoFocus);

    auto* menu = new QMenu(languageButton_);
    auto* group = new QActionGroup(menu);
    const std::wstring current = Localization::getLanguage();
    QAction* english = nullptr;
    bool checked = false;
    for (const auto& [name, code] : Localization::languages()) {
        QAction* action = menu->addAction(to_qstring(name));
        action->setCheckable(true);
        group->addAction(action);
        if (code == current) {
            action->setChecked(true);
            checked = true;
        }
        if (name == L"English")
            english = action;
        const std::wstring displayName = name;
        connect(action, &QAction::triggered, this, [this, displayName] { selectLanguage(displayName); });
    }
    if (!checked && english)
        english->setChecked(true);
    languageButton_->setMenu(menu);
    titleBar_->addLeftButton(languageButton_);
}

void QtMainView::selectLanguage(const std::wstring& displayName)
{
    const auto& languages = Localization::languages();
    auto it = languages.find(displayName);
    const std::wstring code = it == languages.end() ? std::wstring() : it->second;
    raise_event(languageSelected, this, code);
    close();
    QCoreApplication::exit(-1);
}

void QtMainView::setTitle(const std::wstring& title)
{
    setWindowTitle(to_qstring(title));
    titleBar_->setTitle(to_qstring(title));
}

void QtMainView::setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size)
{
    resize(size.x, size.y);
    move(position.x, position.y);
}

bool QtMainView::isMinimized() { return recordedState_ == Qt::WindowMinimized; }

void QtMainView::runTick()
{
    if (tickBusy_)
        return;  // a tick whose callback opened a modal dialog is not re-entered
    tickBusy_ = true;
    if (recordedState_ != Qt::WindowMinimized)
        repaintLiveViews();
    raise_event(tick, this);
    tickBusy_ = false;
}

void QtMainView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !firstShow_) {
        firstShow_ = true;
        QTimer::singleShot(0, this, [this] { raise_event(loaded, this); });
    }
}

void QtMainView::closeEvent(QCloseEvent* event)
{
    closeDocks();
    raise_event(closing, this);
    event->accept();
}

void QtMainView::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    raise_event(moved, this, kyrgx::Vec2<int>(x(), y()));
}

void QtMainView::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    raise_event(resized, this, kyrgx::Vec2<int>(width(), height()));
}

void QtMainView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        recordedState_ = windowState();
    QMainWindow::changeEvent(event);
}

}  // namespace app
