#pragma once

#include "views/docks/ILutView.h"

#include <QDockWidget>
#include <cstdint>
#include <string>
#include <vector>

class QFrame;
class QMouseEvent;

namespace kyrgx {
class Graphics;
}

namespace app::QtView {

class BoolParamater;
class ListParameter;
class PropertyGrid;
class PushParameter;
class QtAccordion;
class QtAccordionPage;
class QtPictureBox;

// The "LUT" dock: the table of the selected LUT as bars with the curve and its
// control points on top, in a plot the user edits with the mouse (drag a
// point; right press adds a point between two others or removes an inner
// one), and the rows Selector, Enabled, Interpolation Mode and Reset.
//
// The table is computed in LUT units (LutCurve.h): the plot only shows it, so
// resizing the dock never changes it, and computeLutValues gives the same
// table for the same points whether the dock is shown or not.
class QtLutView : public QDockWidget, public ILutView {
public:
    static constexpr int kMargin = 8;      // inset of the plot in the picture box, pixels
    static constexpr int kPointRadius = 6; // half side of a point, hit tolerance; least x gap in index units

    explicit QtLutView(QWidget* parent);

    void setData(std::vector<std::wstring> selectors, std::wstring currentSelector, LutData data) override;
    void setSelector(const std::string& name) override;
    void setRawValue(int64_t value) override;
    void setRawIndex(int64_t index) override;
    void setLutEnabled(bool enabled) override;
    std::vector<int64_t> computeLutValues(std::vector<kyrgx::Vec2<float>> points,
                                          const std::string& mode) override;
    void setViewEnabled(bool enabled) override;

    // State, for tests and the preview.
    const std::vector<kyrgx::Vec2<float>>& points() const { return points_; }
    const std::vector<int64_t>& table() const { return table_; }
    const std::wstring& mode() const { return mode_; }
    bool lutEnabled() const { return lutEnabled_; }
    int64_t indexRange() const { return idxRange_; }
    int64_t valueRange() const { return valRange_; }
    int hovered() const { return hovered_; }
    int dragged() const { return dragged_; }
    int selected() const { return selected_; }

    QtAccordion* accordion() const { return accordion_; }
    QtPictureBox* pictureBox() const { return box_; }
    ListParameter* selectorRow() const { return selectorRow_; }
    BoolParamater* enabledRow() const { return enabledRow_; }
    ListParameter* modeRow() const { return modeRow_; }
    PushParameter* resetButton() const { return resetButton_; }

    // Widget position of a point given in LUT units, as it is drawn.
    QPointF widgetPosition(kyrgx::Vec2<float> point) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Recomputes the table from points and mode (not in "Raw", whose table
    // holds the camera's values) and, with repaint, schedules a repaint.
    void updateCurve(bool repaint);
    void drawGraph(kyrgx::Graphics* graphics);
    // The Enabled and Interpolation Mode rows follow the state silently; the
    // plot is repainted.
    void syncControls();
    void raiseCurveChanged();

    // Plot geometry of the picture box: its width and height less the margins.
    float plotWidth() const;
    float plotHeight() const;
    // Plot position of a point in LUT units (y upwards).
    kyrgx::Vec2<float> plotPosition(kyrgx::Vec2<float> point) const;
    // LUT units under a widget position, truncated and clamped to the ranges.
    kyrgx::Vec2<float> lutPosition(const QPoint& widget) const;

    void onMouseMove(QMouseEvent* event);
    void onMousePress(QMouseEvent* event);
    void onMouseRelease(QMouseEvent* event);
    void onSelectorChanged(const std::wstring& selector);
    void onEnabledChanged(bool enabled);
    void onModeChanged(const std::wstring& mode);
    void onReset();

    int64_t idxMin_ = 0;
    int64_t idxMax_ = 255;
    int64_t valMin_ = 0;
    int64_t valMax_ = 65535;
    int64_t idxRange_ = 255;
    int64_t valRange_ = 65535;
    std::vector<kyrgx::Vec2<float>> points_;
    std::wstring mode_ = L"Cubic";
    std::vector<int64_t> table_;
    bool lutEnabled_ = false;
    int64_t rawIndex_ = 0;
    int hovered_ = -1;
    int dragged_ = -1;
    int selected_ = -1;

    QtAccordion* accordion_ = nullptr;
    QtAccordionPage* graphPage_ = nullptr;
    QtAccordionPage* parameterPage_ = nullptr;
    PropertyGrid* parameterGrid_ = nullptr;
    PropertyGrid* graphGrid_ = nullptr;
    ListParameter* selectorRow_ = nullptr;
    BoolParamater* enabledRow_ = nullptr;
    ListParameter* modeRow_ = nullptr;
    PushParameter* resetButton_ = nullptr;
    QtPictureBox* box_ = nullptr;
    QFrame* frame_ = nullptr;
};

} // namespace app::QtView
