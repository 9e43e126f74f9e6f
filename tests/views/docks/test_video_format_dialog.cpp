// The video format dialog: the chained rows fed by the providers, the texts
// of resolutions and frame rates, failing providers, and onClose once for
// every way the dialog ends.
#include "DockTestSupport.h"
#include "support/LogCapture.h"
#include "views/dialogs/QtVideoformatFramerateDialog.h"
#include "views/grid/ListParameter.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <stdexcept>

using app::QtView::QtVideoformatFramerateDialog;
using kyrgx::Vec2;
using quorel::test::EventRecord;

namespace {

QStringList items(const app::QtView::ListParameter* row)
{
    QStringList texts;
    for (int i = 0; i < row->comboBox()->count(); ++i)
        texts << row->comboBox()->itemText(i);
    return texts;
}

// A camera's offer: pixel formats with their sizes, and the rates of the
// current format and size.
struct Offer {
    std::vector<std::string> formats;
    std::map<std::string, std::vector<Vec2<int>>> sizes;
    std::vector<double> rates;
};

class VideoFormatDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.pixelformats = [this] { return offer.formats; };
        dialog.resolutions = [this](std::string format) { return offer.sizes[format]; };
        dialog.framerates = [this] { return offer.rates; };
        formats.watch(dialog.pixelformatChanged);
        sizes.watch(dialog.resolutionChanged);
        rates.watch(dialog.framerateChanged);
        closes.watch(dialog.onClose);
    }

    quorel::test::DocksEnvironment environment;
    Offer offer;
    QtVideoformatFramerateDialog dialog{nullptr};
    EventRecord<std::string> formats;
    EventRecord<Vec2<int>> sizes;
    EventRecord<float> rates;
    EventRecord<bool> closes;
};

} // namespace

TEST_F(VideoFormatDialogTest, OneOptionEachFillsEveryRowAndReportsEveryStage)
{
    offer = {{"Mono8"}, {{"Mono8", {{640, 480}}}}, {30.0}};
    dialog.initialize("QC-200", "12345678");
    EXPECT_EQ(dialog.windowTitle(), "QC-200(12345678)");
    EXPECT_EQ(items(dialog.pixelformatRow()), QStringList{"Mono8"});
    EXPECT_EQ(items(dialog.resolutionRow()), QStringList{"640x480"});
    EXPECT_EQ(items(dialog.framerateRow()), QStringList{"30.000000"});

    ASSERT_GE(formats.count(), 1u);
    ASSERT_GE(sizes.count(), 1u);
    ASSERT_GE(rates.count(), 1u);
    EXPECT_EQ(std::get<0>(formats.last()), "Mono8");
    EXPECT_EQ(std::get<0>(sizes.last()).x, 640);
    EXPECT_EQ(std::get<0>(sizes.last()).y, 480);
    EXPECT_FLOAT_EQ(std::get<0>(rates.last()), 30.0f);
    EXPECT_EQ(formats.senders[0], static_cast<app::IViewBase*>(&dialog));
    EXPECT_EQ(dialog.pixelformat(), "Mono8");
    EXPECT_EQ(dialog.resolution().x, 640);
    EXPECT_DOUBLE_EQ(dialog.framerate(), 30.0);
}

TEST_F(VideoFormatDialogTest, AnEmptyOfferKeepsTheRowsAndAWithdrawnChoiceIsIgnored)
{
    offer = {{"Mono8", "RGB8"}, {{"Mono8", {{1920, 1080}, {-1, 0}}}, {"RGB8", {}}}, {15.0, 7.5}};
    dialog.initialize("M", "S");
    EXPECT_EQ(items(dialog.resolutionRow()), (QStringList{"1920x1080", "-1x0"}));
    EXPECT_EQ(items(dialog.framerateRow()), (QStringList{"15.000000", "7.500000"}));

    // RGB8 offers no sizes: resolutions and rates stay as they were.
    sizes.calls.clear();
    rates.calls.clear();
    dialog.pixelformatRow()->comboBox()->setCurrentIndex(1);
    EXPECT_EQ(std::get<0>(formats.last()), "RGB8");
    EXPECT_EQ(items(dialog.resolutionRow()), (QStringList{"1920x1080", "-1x0"}));
    EXPECT_EQ(items(dialog.framerateRow()), (QStringList{"15.000000", "7.500000"}));
    EXPECT_EQ(sizes.count(), 0u);
    EXPECT_EQ(rates.count(), 0u);

    // A rate chosen by the user: 7.5 shown as "7.500000" and reported as 7.5.
    dialog.framerateRow()->comboBox()->setCurrentIndex(1);
    EXPECT_FLOAT_EQ(std::get<0>(rates.last()), 7.5f);
    EXPECT_DOUBLE_EQ(dialog.framerate(), 7.5);

    // The camera no longer offers what the rows show: the choice is ignored.
    const size_t before = formats.count();
    offer.formats = {"Mono8"};
    dialog.pixelformatRow()->comboBox()->setCurrentIndex(1);
    EXPECT_EQ(formats.count(), before);

    // Nothing offered at all: the rows stay empty and nothing is reported.
    QtVideoformatFramerateDialog empty(nullptr);
    EventRecord<std::string> none;
    none.watch(empty.pixelformatChanged);
    empty.pixelformats = [] { return std::vector<std::string>{}; };
    empty.initialize("M", "S");
    EXPECT_TRUE(items(empty.pixelformatRow()).isEmpty());
    EXPECT_EQ(none.count(), 0u);
}

TEST(VideoFormatDialogTexts, RatesAndSizesBothWays)
{
    struct Case {
        double rate;
        const wchar_t* text;
    };
    for (const Case c : {Case{7.5, L"7.500000"}, Case{30, L"30.000000"}, Case{0.25, L"0.250000"},
                         Case{1234.5678905, L"1234.567890"}}) {
        EXPECT_EQ(QtVideoformatFramerateDialog::framerateText(c.rate), c.text);
        double parsed = -1;
        ASSERT_TRUE(QtVideoformatFramerateDialog::parseFramerate(c.text, parsed));
        EXPECT_NEAR(parsed, c.rate, 1e-6);
    }
    double rate = 0;
    for (const wchar_t* bad : {L"", L"7,5", L"fast", L"7.5 fps"})
        EXPECT_FALSE(QtVideoformatFramerateDialog::parseFramerate(bad, rate))
            << QString::fromWCharArray(bad).toStdString();
    EXPECT_EQ(QtVideoformatFramerateDialog::resolutionText({2448, 2048}), L"2448x2048");
}

TEST_F(VideoFormatDialogTest, FailingOrMissingProvidersAreLoggedNotThrown)
{
    quorel::test::LogCapture log;
    offer = {{"Mono8"}, {{"Mono8", {{640, 480}}}}, {30.0}};
    dialog.framerates = []() -> std::vector<double> { throw std::runtime_error("camera gone"); };
    dialog.initialize("M", "S");
    EXPECT_EQ(items(dialog.resolutionRow()), QStringList{"640x480"});
    EXPECT_GE(log.count(spdlog::level::err,
                        "QtVideoformatFramerateDialog::onResolutionChosen() failed: camera gone"),
              1);

    QtVideoformatFramerateDialog unset(nullptr);
    const int before = log.count(spdlog::level::err, "QtVideoformatFramerateDialog::initialize() failed");
    unset.initialize("M", "S");
    EXPECT_EQ(log.count(spdlog::level::err, "QtVideoformatFramerateDialog::initialize() failed"), before + 1);
    EXPECT_EQ(unset.windowTitle(), "M(S)");
}

TEST_F(VideoFormatDialogTest, OnCloseFiresOnceForEveryWayOut)
{
    struct Case {
        const char* way;
        std::function<void(QtVideoformatFramerateDialog&)> end;
        bool accepted;
    };
    const Case cases[] = {
        {"OK", [](auto& d) { d.buttonBox()->button(QDialogButtonBox::Ok)->click(); }, true},
        {"Cancel", [](auto& d) { d.buttonBox()->button(QDialogButtonBox::Cancel)->click(); }, false},
        {"close button", [](auto& d) { d.close(); }, false},
        {"Escape", [](auto& d) { QTest::keyClick(&d, Qt::Key_Escape); }, false},
    };
    for (const Case& c : cases) {
        QtVideoformatFramerateDialog d(nullptr);
        EventRecord<bool> record;
        record.watch(d.onClose);
        d.show();
        c.end(d);
        d.close(); // a second way out after the first reports nothing more
        EXPECT_EQ(record.calls, (std::vector<std::tuple<bool>>{{c.accepted}})) << c.way;
        EXPECT_FALSE(d.isVisible()) << c.way;
        EXPECT_EQ(d.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected) << c.way;
    }
}
