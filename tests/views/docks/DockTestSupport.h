#pragma once

#include "../GridTestSupport.h"
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "kyrgx/Resources.h"
#include "views/docks/ColorChoice.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorel::test {

// The program's data folder and English texts, for the docks' icons and titles.
inline void use_docks_environment()
{
    use_built_data_folder();
    // The main window's live-view panel finds its theme, font and cursor here.
    kyrgx::set_resource_directory(app::get_data_directory());
    Localization::loadLanguage(L"en-US");
}

// As a fixture's first member: the environment is there before the widgets
// of the later members are built.
struct DocksEnvironment {
    DocksEnvironment() { use_docks_environment(); }
};

// Runs what the views posted for the next event-loop turn, and deletes what
// they handed to deleteLater.
inline void run_posted()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Stands in for the colour dialog while it lives: answers every request with
// the next colour of the list (an invalid QColor is "Cancel") and records the
// start colours and titles it was asked with.
class ScriptedColorPicker {
public:
    explicit ScriptedColorPicker(std::vector<QColor> answers) : answers_(std::move(answers))
    {
        previous_ = app::QtView::setColorPicker([this](const QColor& initial, const QString& title) {
            starts.push_back(initial);
            titles.push_back(title);
            if (next_ >= answers_.size())
                return QColor();
            return answers_[next_++];
        });
    }
    ~ScriptedColorPicker() { app::QtView::setColorPicker(previous_); }
    ScriptedColorPicker(const ScriptedColorPicker&) = delete;
    ScriptedColorPicker& operator=(const ScriptedColorPicker&) = delete;

    std::vector<QColor> starts;
    std::vector<QString> titles;

private:
    std::vector<QColor> answers_;
    size_t next_ = 0;
    app::QtView::ColorPicker previous_;
};

// The texts of the labels directly in a layout, in order.
inline QStringList label_texts(const QLayout* layout)
{
    QStringList texts;
    for (int i = 0; i < layout->count(); ++i)
        if (auto* label = qobject_cast<QLabel*>(layout->itemAt(i)->widget()))
            texts << label->text();
    return texts;
}

} // namespace quorel::test
