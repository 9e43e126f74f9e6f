#pragma once

#include "views/docks/IParameterView.h"

#include <QDockWidget>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace app::QtView {

class BoolParamater;
class ListParameter;
class PropertyGrid;
class PushParameter;
class QtAccordion;
class QtAccordionPage;

// A dock that edits the parameters of one entry out of a list: the page
// "General" holds the entry list and the "Enabled:" check box, the page
// "Parameters" one row per parameter (integer, float, bool, list, string; no
// colour rows) and a "Reset" button that sets the rows, and through them the
// parameters, back to their defaults. Rows write straight into their
// parameters, which keep their values atomic for the frame thread.
class QtParameterViewBase : public QDockWidget, public IParameterView {
public:
    QtParameterViewBase(std::wstring title, QWidget* parent);

    void setEnabled(bool enabled) override;
    void setEntries(std::vector<std::wstring> entries) override;
    std::wstring selectedEntry() override;
    void setEntryEnabled(bool enabled) override;
    void selectEntry(const std::wstring& entry) override;
    void clearParameters() override;
    void setParameters(std::vector<std::shared_ptr<helper::Parameter>> parameters) override;

    QtAccordion* accordion() const { return accordion_; }
    QtAccordionPage* parametersPage() const { return parametersPage_; }
    PropertyGrid* parametersGrid() const { return parametersGrid_; }
    ListParameter* entryList() const { return entryList_; }
    BoolParamater* enabledCheck() const { return enabledCheck_; }
    // The last Reset button added; null after clearParameters.
    PushParameter* resetButton() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Adds the row of one parameter; false when the parameter gets none.
    bool addRow(const std::shared_ptr<helper::Parameter>& parameter);
    void reset();
    // Collapses and reopens the Parameters page at the next event-loop turn,
    // so the accordion takes the page's new height.
    void postRelayout();

    QtAccordion* accordion_ = nullptr;
    QtAccordionPage* generalPage_ = nullptr;
    QtAccordionPage* parametersPage_ = nullptr;
    PropertyGrid* generalGrid_ = nullptr;
    PropertyGrid* parametersGrid_ = nullptr;
    BoolParamater* enabledCheck_ = nullptr;
    ListParameter* entryList_ = nullptr;
    QPointer<PushParameter> resetButton_;
    // The rows Reset reaches, by their parameter; holds the parameters alive.
    std::map<std::shared_ptr<helper::Parameter>, QPointer<QWidget>> rows_;
};

} // namespace app::QtView

namespace app {

// The "Filter" dock: the selected camera's filters as entries.
class QtFilterSettingsView : public QtView::QtParameterViewBase {
public:
    explicit QtFilterSettingsView(QWidget* parent);
};

} // namespace app
