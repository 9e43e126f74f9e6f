#include "views/dialogs/QtVideoformatFramerateDialog.h"

#include "app/Localization.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <charconv>
#include <fmt/format.h>

namespace app::QtView {

namespace {

std::wstring ascii_to_wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace

QtVideoformatFramerateDialog::QtVideoformatFramerateDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("videoFormatDialog"));
    grid_ = new PropertyGrid(this);
    pixelformatRow_ = grid_->addList(Localization::getString("VideoFormat/Pixelformat"), {}, {}).second;
    resolutionRow_ = grid_->addList(Localization::getString("VideoFormat/Resolution"), {}, {}).second;
    framerateRow_ = grid_->addList(Localization::getString("VideoFormat/Framerate"), {}, {}).second;
    pixelformatRow_->eventSelectionChanged.push_back(
        [this](IViewBase*, std::wstring text) { onPixelformatChosen(text); });
    resolutionRow_->eventSelectionChanged.push_back(
        [this](IViewBase*, std::wstring text) { onResolutionChosen(text); });
    framerateRow_->eventSelectionChanged.push_back(
        [this](IViewBase*, std::wstring text) { onFramerateChosen(text); });

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addWidget(buttons_);
    setMinimumWidth(480);
    setMaximumSize(640, 480);
}

std::wstring QtVideoformatFramerateDialog::resolutionText(kyrgx::Vec2<int> size)
{
    return ascii_to_wide(fmt::format("{}x{}", size.x, size.y));
}

std::wstring QtVideoformatFramerateDialog::framerateText(double rate)
{
    return ascii_to_wide(fmt::format("{:f}", rate));
}

bool QtVideoformatFramerateDialog::parseFramerate(const std::wstring& text, double& rate)
{
    // Read without the locale: the rows show a decimal point whatever the
    // user's language.
    const std::string narrow = QString::fromStdWString(text).toStdString();
    const char* end = narrow.data() + narrow.size();
    const auto [last, error] = std::from_chars(narrow.data(), end, rate);
    return error == std::errc() && last == end && !narrow.empty();
}

void QtVideoformatFramerateDialog::initialize(const std::string& model, const std::string& serial)
{
    setWindowTitle(QString::fromStdString(model + "(" + serial + ")"));
    guardedCall("QtVideoformatFramerateDialog::initialize()", [&] {
        const std::vector<std::string> formats = pixelformats();
        if (formats.empty())
            return;
        std::vector<std::wstring> items;
        for (const std::string& format : formats)
            items.push_back(QString::fromStdString(format).toStdWString());
        fill(pixelformatRow_, std::move(items));
        refillResolutions(formats.front());
        refillFramerates();
    });
}

void QtVideoformatFramerateDialog::fill(ListParameter* row, std::vector<std::wstring> items)
{
    // Filling makes the row report its new current item, which runs the
    // later stages.
    const std::wstring first = items.front();
    row->setItems(std::move(items));
    row->setCurrentText(first);
}

void QtVideoformatFramerateDialog::onPixelformatChosen(const std::wstring& text)
{
    guardedCall("QtVideoformatFramerateDialog::onPixelformatChosen()", [&] {
        const std::string reported = QString::fromStdWString(text).toStdString();
        for (const std::string& format : pixelformats()) {
            if (format != reported)
                continue;
            pixelformat_ = format;
            raise_event(pixelformatChanged, this, format);
            refillResolutions(format);
            return;
        }
    });
}

void QtVideoformatFramerateDialog::refillResolutions(const std::string& format)
{
    const std::vector<kyrgx::Vec2<int>> sizes = resolutions(format);
    if (sizes.empty())
        return;
    std::vector<std::wstring> items;
    for (const kyrgx::Vec2<int>& size : sizes)
        items.push_back(resolutionText(size));
    fill(resolutionRow_, std::move(items));
}

void QtVideoformatFramerateDialog::onResolutionChosen(const std::wstring& text)
{
    guardedCall("QtVideoformatFramerateDialog::onResolutionChosen()", [&] {
        for (const kyrgx::Vec2<int>& size : resolutions(pixelformat_)) {
            if (resolutionText(size) != text)
                continue;
            resolution_ = size;
            raise_event(resolutionChanged, this, size);
            refillFramerates();
            return;
        }
    });
}

void QtVideoformatFramerateDialog::refillFramerates()
{
    const std::vector<double> rates = framerates();
    if (rates.empty())
        return;
    std::vector<std::wstring> items;
    for (double rate : rates)
        items.push_back(framerateText(rate));
    fill(framerateRow_, std::move(items));
}

void QtVideoformatFramerateDialog::onFramerateChosen(const std::wstring& text)
{
    guardedCall("QtVideoformatFramerateDialog::onFramerateChosen()", [&] {
        double rate = 0.0;
        if (!parseFramerate(text, rate)) {
            spdlog::warn("QtVideoformatFramerateDialog: frame rate \"{}\" is not a number",
                         QString::fromStdWString(text).toStdString());
            return;
        }
        framerate_ = rate;
        raise_event(framerateChanged, this, static_cast<float>(rate));
    });
}

void QtVideoformatFramerateDialog::done(int result)
{
    if (!closeReported_) {
        closeReported_ = true;
        guardedCall("QtVideoformatFramerateDialog::done()",
                    [&] { raise_event(onClose, this, result == QDialog::Accepted); });
    }
    QDialog::done(result);
}

} // namespace app::QtView
