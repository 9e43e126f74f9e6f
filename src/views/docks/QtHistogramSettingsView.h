#pragma once

#include "views/docks/IHistogramSettingsView.h"

#include <QDockWidget>
#include <string>
#include <vector>

class QFrame;

namespace app::QtView {

class BoolParamater;
class ListParameter;
class PropertyGrid;
class QtAccordion;
class QtAccordionPage;
class QtPictureBox;

// The histogram dock: the page "Settings" with the rows show zeros, display
// mode and channels, and the page "Display" with the picture the subscriber
// of paintRequested draws the histogram into. Each paint first clears the
// picture to dark grey, so an unsubscribed dock shows a plain dark box.
class QtHistogramSettingsView : public QDockWidget, public IHistogramSettingsView {
public:
    static constexpr int kMinimumPictureHeight = 192;
    // Left free under the pages so no scroll bar appears for a pixel or two.
    static constexpr int kPageSpacing = 4;

    explicit QtHistogramSettingsView(QWidget* parent);

    void repaint() override;
    void setColorChannels(bool color) override;
    void setState(bool showZeros, std::wstring displayMode, std::wstring channels) override;

    QtAccordion* accordion() const { return accordion_; }
    QtAccordionPage* settingsPage() const { return settingsPage_; }
    QtAccordionPage* displayPage() const { return displayPage_; }
    PropertyGrid* grid() const { return grid_; }
    QFrame* pictureFrame() const { return frame_; }
    QtPictureBox* pictureBox() const { return box_; }
    BoolParamater* showZerosRow() const { return showZeros_; }
    ListParameter* displayModeRow() const { return displayMode_; }
    ListParameter* channelsRow() const { return channels_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes the picture's frame to the room the dock leaves under the pages.
    void layoutPicture();

    bool updating_ = false;
    bool color_ = true;
    // The channels the last setState asked for; chosen again when a refill of
    // the channels row offers them.
    std::wstring requestedChannels_;
    QtAccordion* accordion_ = nullptr;
    QtAccordionPage* settingsPage_ = nullptr;
    QtAccordionPage* displayPage_ = nullptr;
    PropertyGrid* grid_ = nullptr;
    BoolParamater* showZeros_ = nullptr;
    ListParameter* displayMode_ = nullptr;
    ListParameter* channels_ = nullptr;
    QtPictureBox* box_ = nullptr;
    QFrame* frame_ = nullptr;
};

} // namespace app::QtView
