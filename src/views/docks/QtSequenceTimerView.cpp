#include "views/docks/QtSequenceTimerView.h"

#include "app/Localization.h"
#include "views/docks/DockLayout.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/StringParameter.h"

#include <QCloseEvent>

namespace app::QtView {

namespace {

std::wstring text(const char* key)
{
    return Localization::getString(key);
}

} // namespace

QtSequenceTimerView::QtSequenceTimerView(SequenceTimerViewData initial, QWidget* parent)
    : QDockWidget(QString::fromStdWString(text("SequenceTimer/Title")), parent),
      ISequenceTimerView(std::move(initial))
{
    setObjectName(QStringLiteral("sequenceTimerView"));
    accordion_ = new QtAccordion(this);

    QtAccordionPage* general = accordion_->addPage(text("SequenceTimer/General"));
    generalGrid_ = new PropertyGrid(this);
    general->contentLayout()->addWidget(generalGrid_);
    nextFile_ =
        generalGrid_->addString(text("SequenceTimer/NextSequenceFile"), L"image-1_12_11_2020_20_30_13.jpg")
            .second;
    endCondition_ = generalGrid_->addString(L"End of Sequence:", L"on user request").second;

    QtAccordionPage* timer = accordion_->addPage(text("SequenceTimer/PageTimer"));
    timerGrid_ = new PropertyGrid(this);
    timer->contentLayout()->addWidget(timerGrid_);
    interval_ = timerGrid_->addString(text("SequenceTimer/ParamInterval"), L"20 sec").second;
    timeToNext_ = timerGrid_->addString(text("SequenceTimer/ParamTimeToNext"), L"0 sec").second;
    auto button = [this](const char* key, EventList<>& event) {
        GridRow<PushParameter> row = timerGrid_->addPush(text(key));
        row.first->setText(QString());
        row.second->setText(QString::fromStdWString(text(key)));
        row.second->eventClicked.push_back([this, &event](IViewBase*) { raise_event(event, this); });
        return row.second;
    };
    start_ = button("SequenceTimer/Start", startClicked);
    stop_ = button("SequenceTimer/Stop", stopClicked);
    settings_ = button("SequenceTimer/Settings", settingsClicked);
    stop_->setEnabled(false);

    secondsUnit_ = text("SequenceTimer/ShortcutSeconds");

    for (QtAccordionPage* page : accordion_->pages()) {
        fitPage(page);
        page->setExpanded(true);
    }
    setWidget(accordion_);
    setUpDockFrame(this, 360, 2160);
}

std::wstring QtSequenceTimerView::secondsText(int32_t seconds) const
{
    return std::to_wstring(static_cast<uint32_t>(seconds)) + L" " + secondsUnit_;
}

void QtSequenceTimerView::setButtonsEnabled(bool start, bool stop, bool settings)
{
    start_->setEnabled(start);
    stop_->setEnabled(stop);
    settings_->setEnabled(settings);
}

void QtSequenceTimerView::setData(SequenceTimerViewData record)
{
    nextFile_->setText(record.nextFileName);
    endCondition_->setText(record.endCondition);
    interval_->setText(secondsText(record.intervalSeconds));
    timeToNext_->setText(secondsText(record.secondsToNext));
}

void QtSequenceTimerView::closeEvent(QCloseEvent* event)
{
    guardedCall("QtSequenceTimerView::closeEvent()", [this] { raise_event(dockClosed, this); });
    QDockWidget::closeEvent(event);
}

} // namespace app::QtView
