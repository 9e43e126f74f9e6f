// The property tree's model and filter: the model tester on both, the shape of
// the tree (nested, empty and register-only categories), the filter by level,
// visibility, hidden names and pattern, availability flips that hide and show
// rows, and a camera that fails while the view asks.

#include "TreeCameras.h"
#include "dialogs/FilterPropertiesProxy.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <set>

using namespace quorel::test;
using namespace vsx::ui_util;

namespace {

// Collects the warnings Qt logs (the model tester reports through them).
class QtWarnings {
public:
    QtWarnings() { previous_ = qInstallMessageHandler(&QtWarnings::handle); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& lines()
    {
        static std::vector<std::string> all;
        return all;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            lines().push_back(text.toStdString());
    }
    QtMessageHandler previous_;
};

// The feature names of every row of the proxy below the parent, recursively.
void visible_names(const QSortFilterProxyModel& proxy, const QModelIndex& parent, std::set<std::string>& out)
{
    for (int row = 0; row < proxy.rowCount(parent); ++row) {
        const QModelIndex index = proxy.index(row, 0, parent);
        const PropertyTreeNode* node = PropertyTreeModel::node_of(proxy.mapToSource(index));
        out.insert(node->property.name());
        visible_names(proxy, index, out);
    }
}

// The feature names of the node's children, in order.
std::vector<std::string> child_names(PropertyTreeModel& model, const QModelIndex& parent)
{
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names.push_back(PropertyTreeModel::node_of(model.index(row, 0, parent))->property.name());
    return names;
}

// The index of the first node with the feature name below the parent.
QModelIndex find_index(PropertyTreeModel& model, const std::string& name, const QModelIndex& parent = {})
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        if (PropertyTreeModel::node_of(index)->property.name() == name)
            return index;
        const QModelIndex below = find_index(model, name, index);
        if (below.isValid())
            return below;
    }
    return {};
}

class PropertyTreeModelTest : public TreeTest {
protected:
    std::unique_ptr<PropertyTreeModel> root_model()
    {
        return std::make_unique<PropertyTreeModel>(map.findCategory("Root"));
    }
};

TEST_F(PropertyTreeModelTest, ModelAndProxyPassTheModelTester)
{
    open(kFilterCamera);
    QtWarnings warnings;
    QtWarnings::lines().clear();
    auto model = root_model();
    QAbstractItemModelTester modelTester(model.get(),
                                         QAbstractItemModelTester::FailureReportingMode::Warning);
    FilterPropertiesProxy proxy;
    proxy.setRecursiveFilteringEnabled(true);
    proxy.setSourceModel(model.get());
    QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::Warning);
    proxy.level = 2;
    proxy.invalidate();
    proxy.pattern = QRegularExpression("gain", QRegularExpression::CaseInsensitiveOption);
    proxy.invalidate();
    EXPECT_TRUE(QtWarnings::lines().empty()) << QtWarnings::lines().front();

    // One row under the invalid index, the root item; two columns, names in column 0 only.
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->columnCount(), 2);
    const QModelIndex root = model->index(0, 0);
    EXPECT_EQ(PropertyTreeModel::node_of(root), model->root_item());
    EXPECT_EQ(root.data().toString(), "Root");
    EXPECT_EQ(model->rowCount(model->index(0, 1)), 0);
    EXPECT_FALSE(model->index(0, 1, root).data().isValid());
    // Rows are enabled but never selectable.
    const QModelIndex shown = proxy.index(0, 0, proxy.index(0, 0));
    EXPECT_TRUE(proxy.flags(shown) & Qt::ItemIsEnabled);
    EXPECT_FALSE(proxy.flags(shown) & Qt::ItemIsSelectable);
}

TEST_F(PropertyTreeModelTest, CategoriesWithoutFeaturesAndTextsOfTheRows)
{
    open(kFilterCamera);
    auto model = root_model();
    const QModelIndex root = model->index(0, 0);
    const auto top = child_names(*model, root);
    auto has = [&](const char* name) { return std::find(top.begin(), top.end(), name) != top.end(); };
    EXPECT_TRUE(has("ReservedBanks"));   // holds only an empty category: a node without children
    EXPECT_FALSE(has("Reserved"));       // empty
    EXPECT_FALSE(has("RegisterAccess")); // only register features
    EXPECT_EQ(model->rowCount(find_index(*model, "ReservedBanks")), 0);
    const QModelIndex nested = find_index(*model, "SensorDiagnostics");
    ASSERT_TRUE(nested.isValid());
    EXPECT_EQ(PropertyTreeModel::node_of(model->parent(nested))->property.name(), "Diagnostics");
    EXPECT_EQ(child_names(*model, nested),
              (std::vector<std::string>{"SensorDefectPixelCount", "SensorDefectCorrection"}));
    EXPECT_EQ(nested.data().toString(), "Sensor Diagnostics");

    // Tooltip: the tooltip, else the description, else the display name.
    struct Tip {
        const char* feature;
        const char* text;
    } const tips[] = {{"DeviceUserID", "A name the user gives the camera"},
                      {"Gain", "Amplification of the sensor signal."},
                      {"LevelBeginner", "LevelBeginner"}};
    for (const Tip& tip : tips) {
        const QModelIndex index = find_index(*model, tip.feature);
        model->rowCount(index); // the name is read when the node is populated
        EXPECT_EQ(index.data(Qt::ToolTipRole).toString().toStdString(), tip.text);
    }
    EXPECT_EQ(nested.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));
    EXPECT_EQ(find_index(*model, "Gain").data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));

    // A model on a category whose features are not shown: the root item alone.
    PropertyTreeModel empty(map.findCategory("ReservedBanks"));
    EXPECT_EQ(empty.rowCount(), 1);
    EXPECT_EQ(empty.rowCount(empty.index(0, 0)), 0);
}

TEST_F(PropertyTreeModelTest, FilterByLevelNameAndPattern)
{
    open(kFilterCamera);
    const std::vector<std::string> fourteen = {"Width",
                                               "Height",
                                               "PixelFormat",
                                               "ChunkModeActive",
                                               "ChunkEnable",
                                               "BinningHorizontal",
                                               "BinningVertical",
                                               "DecimationHorizontal",
                                               "DecimationVertical",
                                               "UserSetLoad",
                                               "AcquisitionFrameRate",
                                               "AcquisitionMode",
                                               "AcquisitionStop",
                                               "AcquisitionStart"};
    struct Case {
        int level;
        const char* pattern;
        std::vector<std::string> shown;
        std::vector<std::string> hidden;
    } const cases[] = {
        {0,
         "",
         {"Root", "Levels", "LevelBeginner", "Gain", "NameRule", "width"},
         {"LevelExpert", "LevelGuru", "LevelInvisible", "GuruCategory", "ExposureAutoLowerLimit"}},
        {1,
         "",
         {"LevelBeginner", "LevelExpert", "ExposureAutoLowerLimit", "SensorDiagnostics"},
         {"LevelGuru", "LevelInvisible", "GuruOnly", "GuruCategory", "Simulation"}},
        {2,
         "",
         {"LevelBeginner", "LevelExpert", "LevelGuru", "GuruCategory", "GuruOnly", "width"},
         {"LevelInvisible", "ReservedBanks", "Reserved", "RegisterAccess", "DeviceScratchRegister"}},
        {2, "", {"width"}, fourteen},
        {1,
         "gain",
         {"Root", "AnalogControl", "Gain", "GainAuto", "GainAutoLowerLimit"},
         {"DeviceControl", "LevelBeginner", "ExposureTime", "Levels"}},
        {1, "^Ex", {"ExposureTime", "ExposureAuto", "AcquisitionControl"}, {"Gain", "AutoFocusROIEnable"}},
        {2, "[", {}, {"Root", "Gain", "LevelBeginner"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("level ") + std::to_string(c.level) + " pattern '" + c.pattern + "'");
        auto model = root_model();
        FilterPropertiesProxy proxy;
        proxy.setRecursiveFilteringEnabled(true);
        proxy.setSourceModel(model.get());
        proxy.level = c.level;
        proxy.pattern = QRegularExpression(c.pattern, QRegularExpression::CaseInsensitiveOption);
        proxy.invalidate();
        std::set<std::string> names;
        visible_names(proxy, {}, names);
        for (const std::string& name : c.shown)
            EXPECT_TRUE(names.count(name)) << name << " is not shown";
        for (const std::string& name : c.hidden)
            EXPECT_FALSE(names.count(name)) << name << " is shown";
        if (c.shown.empty()) {
            EXPECT_EQ(proxy.rowCount(), 0);
        }
    }
    // The name rule matches whole, case-sensitive names; a stream lock hides as well.
    for (const std::string& name : fourteen)
        EXPECT_TRUE(is_hidden_property(map.find(name))) << name;
    EXPECT_FALSE(is_hidden_property(map.find("width")));
    EXPECT_FALSE(is_hidden_property(map.find("Gain")));
    const auto analog = open_grabber(kAnalog);
    EXPECT_TRUE(
        is_hidden_property(analog->devicePropertyMap().find("VideoNorm"))); // stream-locked, not streaming
}

TEST_F(PropertyTreeModelTest, AvailabilityFlipsHideAndShowRowsAndValueChangesEmitNothing)
{
    open(kFilterCamera);
    auto model = root_model();
    FilterPropertiesProxy proxy;
    proxy.setRecursiveFilteringEnabled(true);
    proxy.setSourceModel(model.get());
    auto shown = [&] {
        std::set<std::string> names;
        visible_names(proxy, {}, names);
        return names.count("ExposureAutoReference") == 1;
    };
    QSignalSpy changes(model.get(), &QAbstractItemModel::dataChanged);
    EXPECT_FALSE(shown()); // ExposureAuto is Off
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "ExposureAuto", "Continuous"));
    deliver_notifications();
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).value<QModelIndex>(), find_index(*model, "ExposureAutoReference"));
    EXPECT_EQ(changes.at(0).at(0).value<QModelIndex>(), changes.at(0).at(1).value<QModelIndex>());
    EXPECT_TRUE(changes.at(0).at(2).value<QVector<int>>().isEmpty());
    EXPECT_TRUE(shown());

    // A value change is no availability change.
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "ExposureAutoReference", "99"));
    deliver_notifications();
    EXPECT_EQ(changes.count(), 1);

    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "ExposureAuto", "Off"));
    deliver_notifications();
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(shown());
}

TEST_F(PropertyTreeModelTest, ChangesOnTheirWayDieWithTheModelAndNodesEndTheirNotifications)
{
    open(kFilterCamera);
    const int64_t before = registration_count(kFilterCamera);
    {
        auto model = root_model();
        FilterPropertiesProxy proxy;
        proxy.setRecursiveFilteringEnabled(true);
        proxy.setSourceModel(model.get());
        std::set<std::string> names;
        visible_names(proxy, {}, names);
        EXPECT_GT(registration_count(kFilterCamera), before + 50);
        QSignalSpy proxyChanges(&proxy, &QAbstractItemModel::dataChanged);
        // The change is posted to the model but not yet delivered when it goes.
        ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "ExposureAuto", "Continuous"));
        ASSERT_TRUE(vsxsim_flush(5000));
        proxy.setSourceModel(nullptr);
        model.reset();
        QCoreApplication::processEvents();
        EXPECT_EQ(proxyChanges.count(), 0);
    }
    EXPECT_EQ(registration_count(kFilterCamera), before);
}

TEST_F(PropertyTreeModelTest, ACameraThatFailsNeverThrowsIntoTheView)
{
    open(kFilterCamera);
    LogCapture log;
    auto model = root_model();
    FilterPropertiesProxy proxy;
    proxy.setRecursiveFilteringEnabled(true);
    proxy.setSourceModel(model.get());
    const QModelIndex root = model->index(0, 0); // the root item, not yet populated
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_get_display_name", "count": -1})"), 0);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_get_tooltip", "count": -1})"), 0);
    EXPECT_EQ(model->rowCount(root), 0);
    EXPECT_EQ(root.data(Qt::ToolTipRole).toString(), root.data().toString());
    EXPECT_EQ(proxy.rowCount(), 0);
    EXPECT_GT(log.count(spdlog::level::err, "PropertyTreeModel::rowCount() failed"), 0);
    EXPECT_GT(log.count(spdlog::level::err, "PropertyTreeModel::data() failed"), 0);
    // Once the camera answers again, the tree fills.
    vsxsim_clear_faults();
    EXPECT_GT(model->rowCount(root), 5);
}

} // namespace
