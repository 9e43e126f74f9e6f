#pragma once

#include "views/dialogs/IVideoformatFramerateDialog.h"

#include <QDialog>

class QDialogButtonBox;

namespace app::QtView {

class ListParameter;
class PropertyGridLabelBase;
class PropertyGrid;

// The video format dialog: three chained choice rows ("Pixelformat:",
// "Resolution:", "Framerate:") above OK and Cancel. A chosen format refills
// the resolutions, a chosen resolution the frame rates; a provider that
// returns nothing leaves that row and the later ones as they were. A provider
// that fails (or is unset) is logged and the step ends.
class QtVideoformatFramerateDialog : public QDialog, public IVideoformatFramerateDialog {
public:
    explicit QtVideoformatFramerateDialog(QWidget* parent);

    void initialize(const std::string& model, const std::string& serial) override;
    std::string pixelformat() override { return pixelformat_; }
    kyrgx::Vec2<int> resolution() override { return resolution_; }
    double framerate() override { return framerate_; }

    // Every way out comes here (OK, Cancel, Escape, the close button): onClose
    // fires once, then the dialog ends.
    void done(int result) override;

    // The texts the rows show: "1920x1080", and rates with six decimals.
    static std::wstring resolutionText(kyrgx::Vec2<int> size);
    static std::wstring framerateText(double rate);
    // The rate of a row text; false when the text is not a number.
    static bool parseFramerate(const std::wstring& text, double& rate);

    ListParameter* pixelformatRow() const { return pixelformatRow_; }
    ListParameter* resolutionRow() const { return resolutionRow_; }
    ListParameter* framerateRow() const { return framerateRow_; }
    QDialogButtonBox* buttonBox() const { return buttons_; }

private:
    void onPixelformatChosen(const std::wstring& text);
    void onResolutionChosen(const std::wstring& text);
    void onFramerateChosen(const std::wstring& text);
    void refillResolutions(const std::string& format);
    void refillFramerates();
    static void fill(ListParameter* row, std::vector<std::wstring> items);

    PropertyGrid* grid_;
    ListParameter* pixelformatRow_;
    ListParameter* resolutionRow_;
    ListParameter* framerateRow_;
    QDialogButtonBox* buttons_;
    std::string pixelformat_;
    kyrgx::Vec2<int> resolution_;
    double framerate_ = 0.0;
    bool closeReported_ = false;
};

} // namespace app::QtView
