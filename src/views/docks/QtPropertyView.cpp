// The property view's frame: construction, pages, grid lookup, expand states
// and the description area. Its rows are added in QtPropertyViewRows.cpp.

#include "views/docks/QtPropertyView.h"

#include "views/grid/GuardedCall.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace app::QtView {

namespace {

QString buttonStyle(bool first)
{
    const QString left = first ? QStringLiteral("none") : QStringLiteral("1px solid #3f3f46");
    const QString padding = first ? QStringLiteral("0px") : QStringLiteral("1px");
    return QStringLiteral("QPushButton { border-top: 1px solid #3f3f46; border-bottom: 1px solid #3f3f46; "
                          "border-right: none; border-left: %1; }"
                          "QPushButton:hover { border: 1px solid #007acc; padding-left: %2; }"
                          "QPushButton:pressed { background-color: #007acc; border: 1px solid #007acc; "
                          "padding-left: %2; }")
        .arg(left, padding);
}

QWidget* firstWidget(const QtAccordionPage* page)
{
    QLayoutItem* item = page->contentLayout()->itemAt(0);
    return item ? item->widget() : nullptr;
}

void refit(QtAccordionPage* page)
{
    page->updateSizeHint();
    page->setExpanded(true);
}

} // namespace

QtPropertyView::QtPropertyView(const std::wstring& title, QWidget* parent, bool showDescription, bool grouped,
                               bool multipleOpen, std::vector<PropertyViewButton> buttons)
    : QDockWidget(QString::fromStdWString(title), parent), grouped_(grouped)
{
    auto* frame = new QFrame(this);
    auto* layout = new QGridLayout(frame);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    if (!buttons.empty()) {
        auto* buttonFrame = new QFrame(frame);
        buildButtons(buttonFrame, std::move(buttons));
        layout->addWidget(buttonFrame, 0, 0);
        layout->setRowStretch(0, 0);
        layout->setRowStretch(1, 1);
    }

    accordion_ = new QtAccordion(frame);
    accordion_->setMultipleOpen(multipleOpen);
    layout->addWidget(accordion_, 1, 0);

    if (showDescription) {
        titleLabel_ = new QLabel(frame);
        titleLabel_->setObjectName(QStringLiteral("descriptionTitle"));
        titleLabel_->setFixedHeight(32);
        titleLabel_->setTextFormat(Qt::PlainText);
        titleLabel_->setStyleSheet(
            QStringLiteral("QLabel { font-weight: bold; font-size: 13px; margin-top: 4px; "
                           "border: none; border-top: 1px solid #3f3f46; }"));
        descriptionLabel_ = new QLabel(frame);
        descriptionLabel_->setObjectName(QStringLiteral("description"));
        descriptionLabel_->setMargin(4);
        descriptionLabel_->setFixedHeight(96);
        descriptionLabel_->setWordWrap(true);
        descriptionLabel_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        // Feature descriptions are camera text: never read as markup.
        descriptionLabel_->setTextFormat(Qt::PlainText);
        descriptionLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        descriptionLabel_->setStyleSheet(QStringLiteral("QLabel { border: none; }"));
        layout->addWidget(titleLabel_, 2, 0);
        layout->addWidget(descriptionLabel_, 3, 0);
        layout->setRowStretch(2, 0);
        layout->setRowStretch(3, 0);
    }
    setWidget(frame);

    setMinimumWidth(360);
    setMaximumSize(2160, 2160);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void QtPropertyView::buildButtons(QWidget* parent, std::vector<PropertyViewButton> buttons)
{
    auto* layout = new QHBoxLayout(parent);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    for (auto& [text, onClick] : buttons) {
        auto* button = new QPushButton(QString::fromStdString(text), parent);
        button->setStyleSheet(buttonStyle(buttons_.empty()));
        connect(button, &QPushButton::clicked, this, [onClick = std::move(onClick)] {
            guardedCall("QtPropertyView::onButtonClicked()", [&] {
                if (onClick)
                    onClick();
            });
        });
        layout->addWidget(button);
        buttons_.push_back(button);
    }
}

bool QtPropertyView::close()
{
    return QDockWidget::close();
}

void QtPropertyView::closeEvent(QCloseEvent* event)
{
    guardedCall("QtPropertyView::closeEvent()", [this] { raise_event(closed, this); });
    QDockWidget::closeEvent(event);
}

QtAccordionPage* QtPropertyView::findPage(const std::wstring& name) const
{
    for (QtAccordionPage* page : accordion_->pages())
        if (page->title() == name)
            return page;
    return nullptr;
}

void QtPropertyView::removeGrid(const std::wstring& name)
{
    for (QtAccordionPage* page : accordion_->pages()) {
        if (page->title() != name || page->contentLayout()->count() == 0)
            continue;
        QLayoutItem* item = page->contentLayout()->takeAt(0);
        if (QWidget* widget = item->widget()) {
            // Later, not now: removeGrid may run from a handler of a row of
            // this very grid. Hidden at once, so it is gone for the user.
            widget->hide();
            widget->deleteLater();
        }
        delete item;
        return;
    }
}

void QtPropertyView::clear()
{
    accordion_->clear();
    grids_.clear();
}

void QtPropertyView::addCategory(const std::wstring& name)
{
    if (!findPage(name))
        accordion_->addPage(name);
}

QWidget* QtPropertyView::grid(const std::wstring& category, const std::wstring& group)
{
    if (grouped_) {
        const std::wstring key = category + L"_" + group;
        QtAccordionPage* page = findPage(category);
        if (page) {
            const auto known = grids_.find(key);
            if (known != grids_.end() && known->second)
                return known->second;
        } else {
            page = accordion_->addPage(category);
        }
        auto* caption = new QLabel(QString::fromStdWString(group), this);
        caption->setObjectName(QStringLiteral("Label"));
        caption->setTextFormat(Qt::PlainText);
        caption->setStyleSheet(
            QStringLiteral("QLabel { padding-left: 16px; background-color: #3f3f46; border: none; }"));
        caption->setFixedHeight(24);
        page->contentLayout()->addWidget(caption);
        auto* grid = new PropertyGrid(this);
        grid->setObjectName(QStringLiteral("grid"));
        page->contentLayout()->addWidget(grid);
        grids_[key] = grid;
        return grid;
    }

    QtAccordionPage* page = findPage(group);
    if (page) {
        if (QWidget* existing = firstWidget(page))
            return existing;
    } else {
        page = accordion_->addPage(group);
    }
    auto* grid = new PropertyGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    page->contentLayout()->addWidget(grid);
    return grid;
}

PropertyGrid* QtPropertyView::propertyGrid(const std::wstring& category, const std::wstring& group)
{
    auto* found = dynamic_cast<PropertyGrid*>(grid(category, group));
    if (!found)
        spdlog::error("QtPropertyView::propertyGrid() failed: the first widget of page \"{}\" is not a grid",
                      QString::fromStdWString(grouped_ ? category : group).toStdString());
    return found;
}

void QtPropertyView::relayout()
{
    setUpdatesEnabled(false);
    for (QtAccordionPage* page : accordion_->pages())
        page->updateSizeHint();
    accordion_->updateGeometry();
    accordion_->update();
    setUpdatesEnabled(true);
}

std::wstring QtPropertyView::expandedCategory()
{
    for (QtAccordionPage* page : accordion_->pages())
        if (page->isExpanded())
            return page->title();
    return {};
}

void QtPropertyView::expandCategory(const std::wstring& name)
{
    const std::vector<QtAccordionPage*> pages = accordion_->pages();
    if (pages.empty())
        return;
    if (QtAccordionPage* page = name.empty() ? pages.front() : findPage(name))
        refit(page);
}

void QtPropertyView::expandAll()
{
    for (QtAccordionPage* page : accordion_->pages())
        refit(page);
}

void QtPropertyView::postRefit(const std::wstring& name)
{
    // The pages are looked up when the functor runs: a clear in between
    // leaves nothing to refit.
    QTimer::singleShot(0, this, [this, name] {
        for (QtAccordionPage* page : accordion_->pages()) {
            if (page->title() != name)
                continue;
            page->setExpanded(false);
            refit(page);
        }
    });
}

void QtPropertyView::saveExpandState()
{
    savedExpandStates_.clear();
    for (QtAccordionPage* page : accordion_->pages())
        savedExpandStates_.push_back(page->isExpanded());
}

void QtPropertyView::restoreExpandState()
{
    QTimer::singleShot(0, this, [this] {
        const std::vector<QtAccordionPage*> pages = accordion_->pages();
        if (pages.empty() || pages.size() != savedExpandStates_.size())
            return;
        for (size_t i = 0; i < pages.size(); ++i) {
            pages[i]->setExpanded(false);
            if (savedExpandStates_[i])
                refit(pages[i]);
        }
    });
}

void QtPropertyView::raise()
{
    QDockWidget::raise();
}

void QtPropertyView::beginUpdate()
{
    setUpdatesEnabled(false);
}

void QtPropertyView::endUpdate()
{
    setUpdatesEnabled(true);
}

void QtPropertyView::invoke(std::function<void()> work)
{
    if (work)
        work();
}

void QtPropertyView::setDescription(const std::string& title, const std::string& text)
{
    if (titleLabel_)
        titleLabel_->setText(QString::fromStdString(title));
    if (descriptionLabel_)
        descriptionLabel_->setText(QString::fromStdString(text));
}

} // namespace app::QtView
