#pragma once

#include "views/docks/IPropertyView.h"

#include <QDockWidget>
#include <QPointer>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;

namespace app::QtView {

class PropertyGrid;
class QtAccordion;
class QtAccordionPage;

// A button above the pages: its text (UTF-8) and what a click runs.
using PropertyViewButton = std::pair<std::string, std::function<void()>>;

// The dock in which camera features and plug-in settings are edited: rows of
// labelled editors in property grids on the pages of an accordion.
//
// A grouped view (the device properties) has one page per category; each group
// on it is a caption followed by its grid. A settings view has one page per
// group holding one grid, and ignores the category. Row handles point at
// widgets the grids own; after clear or removeGrid they do nothing.
class QtPropertyView : public QDockWidget, public IPropertyView {
public:
    QtPropertyView(const std::wstring& title, QWidget* parent, bool showDescription, bool grouped,
                   bool multipleOpen, std::vector<PropertyViewButton> buttons = {});

    bool close() override;
    void removeGrid(const std::wstring& page) override;
    void clear() override;
    void addCategory(const std::wstring& name) override;
    QWidget* grid(const std::wstring& category, const std::wstring& group) override;
    void relayout() override;
    std::wstring expandedCategory() override;
    void expandCategory(const std::wstring& name) override;
    void addParameters(const std::wstring& page,
                       std::vector<std::shared_ptr<helper::Parameter>> parameters) override;
    std::shared_ptr<IPropertyViewPushParamater> addPushParameter(const std::wstring& category,
                                                                 const std::wstring& group,
                                                                 const std::wstring& label) override;
    std::shared_ptr<IPropertyViewSwitchParamater> addSwitchParameter(const std::wstring& category,
                                                                     const std::wstring& group,
                                                                     const std::wstring& label, bool value,
                                                                     bool locked, bool readOnly) override;
    std::shared_ptr<IPropertyViewSwitchParamater> addSwitchParameter(const std::wstring& category,
                                                                     const std::wstring& group,
                                                                     const std::wstring& label,
                                                                     bool value) override;
    std::shared_ptr<IPropertyViewRangeParameter>
    addRangeParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                      int64_t value, int64_t minimum, int64_t maximum, int64_t step,
                      std::vector<int64_t> allowedValues, int representation, bool locked,
                      bool readOnly) override;
    std::shared_ptr<IPropertyViewRangeParameter> addRangeParameter(const std::wstring& category,
                                                                   const std::wstring& group,
                                                                   const std::wstring& label, int64_t value,
                                                                   int64_t minimum, int64_t maximum) override;
    std::shared_ptr<IPropertyViewColorParameter> addColorParameter(const std::wstring& category,
                                                                   const std::wstring& group,
                                                                   const std::wstring& label,
                                                                   uint32_t color) override;
    std::shared_ptr<IPropertyViewAbsParameter>
    addAbsParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                    double value, double minimum, double maximum, double step,
                    std::vector<double> allowedValues, int representation, bool locked,
                    bool readOnly) override;
    std::shared_ptr<IPropertyViewAbsParameter> addAbsParameter(const std::wstring& category,
                                                               const std::wstring& group,
                                                               const std::wstring& label, double value,
                                                               double minimum, double maximum) override;
    std::shared_ptr<IPropertyViewExposureParameter>
    addExposureParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                         double value, double minimum, double maximum, double step, bool locked,
                         bool readOnly) override;
    std::shared_ptr<IPropertyViewListParameter>
    addListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                     std::vector<std::wstring> items, std::wstring current, bool locked,
                     bool readOnly) override;
    std::shared_ptr<IPropertyViewListParameter>
    addListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                     std::vector<std::wstring> items, std::wstring current) override;
    std::shared_ptr<IPropertyViewDynListParameter>
    addDynListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                        std::vector<std::wstring> items, std::wstring current) override;
    std::shared_ptr<IPropertyViewStringParameter> addStringParameter(const std::wstring& category,
                                                                     const std::wstring& group,
                                                                     const std::wstring& label,
                                                                     std::wstring text) override;
    std::shared_ptr<IPropertyViewFilenameParameter> addFilenameParameter(const std::wstring& category,
                                                                         const std::wstring& group,
                                                                         const std::wstring& label,
                                                                         std::wstring path) override;
    void saveExpandState() override;
    void restoreExpandState() override;
    void raise() override;
    void beginUpdate() override;
    void endUpdate() override;
    void invoke(std::function<void()> work) override;
    void expandAll() override;
    void setDescription(const std::string& title, const std::string& text) override;

    bool grouped() const { return grouped_; }
    QtAccordion* accordion() const { return accordion_; }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* descriptionLabel() const { return descriptionLabel_; }
    const std::vector<QPushButton*>& buttons() const { return buttons_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QtAccordionPage* findPage(const std::wstring& name) const;
    // The grid of grid(category, group) as a property grid; null (logged) when
    // that page's first widget is something else.
    PropertyGrid* propertyGrid(const std::wstring& category, const std::wstring& group);
    void buildButtons(QWidget* parent, std::vector<PropertyViewButton> buttons);
    // Refits and reopens the pages of that name at the next event-loop turn,
    // so the accordion takes their new height.
    void postRefit(const std::wstring& page);

    QtAccordion* accordion_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* descriptionLabel_ = nullptr;
    std::vector<QPushButton*> buttons_;
    bool grouped_;
    std::vector<bool> savedExpandStates_;
    // category + "_" + group -> its grid (grouped views). A grid deleted by
    // removeGrid reads as null and is made anew.
    std::map<std::wstring, QPointer<PropertyGrid>> grids_;
};

} // namespace app::QtView
