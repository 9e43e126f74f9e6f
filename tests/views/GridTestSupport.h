#pragma once

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "views/IViewBase.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace quorel::test {

// Records what an event list delivers, one tuple of arguments per raise, with
// the sender of each.
template <typename... Args> struct EventRecord {
    std::vector<std::tuple<std::decay_t<Args>...>> calls;
    std::vector<app::IViewBase*> senders;

    template <typename List> void watch(List& list)
    {
        list.push_back([this](app::IViewBase* sender, Args... args) {
            senders.push_back(sender);
            calls.emplace_back(args...);
        });
    }
    size_t count() const { return calls.size(); }
    const auto& last() const { return calls.back(); }
};

// The data folder the build puts beside the test binaries (icons, languages).
inline void use_built_data_folder()
{
    const std::filesystem::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
}

// Replaces the whole text of a spin box by typing, keystroke by keystroke, as
// a user does after selecting it; keystrokes the box refuses are dropped.
inline void type_over(QAbstractSpinBox* box, const QString& text)
{
    box->findChild<QLineEdit*>()->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

inline QString shown_text(QAbstractSpinBox* box)
{
    return box->findChild<QLineEdit*>()->text();
}

} // namespace quorel::test

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
