// Not a test: the measure plug-in's microscope or appearance dialog for a
// simulated camera, as real docks, to look at with the screenshot tool.
//   quorel_measure_dialogs_preview [microscope|appearance]

#include "MeasureHost.h"
#include "measure/Workspace.h"
#include "support/PreviewApplication.h"
#include "views/docks/QtPropertyView.h"

#include <QApplication>
#include <cstdlib>
#include <string>

namespace {

// The plug-in's dialogs as floating docks beside each other.
class PreviewContext : public app::Plugin::PluginContext {
public:
    using PluginContext::PluginContext;
    app::IPropertyView* createPropertyView(const std::wstring& title) override
    {
        auto* view = new app::QtView::QtPropertyView(title, nullptr, false, false, true);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->resize(420, 760);
        view->move(40, 40);
        view->show();
        return view;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const std::string home = "/tmp/quorel-measure-preview";
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    quorel::test::prepare_preview_platform();
    QApplication application(argc, argv);
    quorel::test::set_up_preview_application();
    const std::string which = argc > 1 ? argv[1] : "microscope";

    if (!quorel::test::init_measure_cameras())
        return 1;
    auto host = std::make_unique<quorel::test::MeasureHost>();
    PreviewContext context(host->controller.get());
    host->plugin->context = &context;
    if (!host->openAndShow(quorel::test::kHdName))
        return 1;
    if (which == "appearance") {
        host->plugin->showAppearanceDialog();
    } else {
        const auto ws = host->plugin->workspaceForDevice(host->device(quorel::test::kHdName));
        ws->addMicroscope(L"Stereo zoom");
        host->plugin->showMicroscopeDialog();
    }
    const int code = QApplication::exec();
    host.reset();
    return code;
}
