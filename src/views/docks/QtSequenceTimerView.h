#pragma once

#include "views/docks/ISequenceTimerView.h"

#include <QDockWidget>
#include <string>

namespace app::QtView {

class PropertyGrid;
class PushParameter;
class QtAccordion;
class StringParameter;

// The sequence timer dock: next file, end of sequence, interval and time to
// the next capture as read-only text rows, and the buttons Start, Stop and
// Settings. Shows sample texts until the first setData.
class QtSequenceTimerView : public QDockWidget, public ISequenceTimerView {
public:
    QtSequenceTimerView(SequenceTimerViewData initial, QWidget* parent);

    void setButtonsEnabled(bool start, bool stop, bool settings) override;
    void setData(SequenceTimerViewData record) override;

    // "<digits> <unit>", the number read as unsigned 32 bits.
    std::wstring secondsText(int32_t seconds) const;

    QtAccordion* accordion() const { return accordion_; }
    StringParameter* nextFileRow() const { return nextFile_; }
    StringParameter* endConditionRow() const { return endCondition_; }
    StringParameter* intervalRow() const { return interval_; }
    StringParameter* timeToNextRow() const { return timeToNext_; }
    PushParameter* startButton() const { return start_; }
    PushParameter* stopButton() const { return stop_; }
    PushParameter* settingsButton() const { return settings_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::wstring secondsUnit_ = L"sec";
    QtAccordion* accordion_ = nullptr;
    PropertyGrid* generalGrid_ = nullptr;
    PropertyGrid* timerGrid_ = nullptr;
    StringParameter* nextFile_ = nullptr;
    StringParameter* endCondition_ = nullptr;
    StringParameter* interval_ = nullptr;
    StringParameter* timeToNext_ = nullptr;
    PushParameter* start_ = nullptr;
    PushParameter* stop_ = nullptr;
    PushParameter* settings_ = nullptr;
};

} // namespace app::QtView
