#pragma once

#include <QFrame>
#include <string>
#include <utility>
#include <vector>

class QGridLayout;

namespace app::QtView {

class BoolParamater;
class DynListParameter;
class ExposureParameter;
class FilenameParameter;
class FloatParameter;
class InfoParameter;
class IntParameter;
class ListParameter;
class PropertyGridLabelBase;
class PushParameter;
class StringParameter;

// A row of the grid as an add operation hands it back: the label and the
// editor, both owned by the grid.
template <typename Editor> using GridRow = std::pair<PropertyGridLabelBase*, Editor*>;

// The two-column form of the docks and dialogs: a label on the left, an editor
// on the right, one setting per row, rows packed from the top. Rows are only
// ever appended. The grid holds no values and raises no events.
class PropertyGrid : public QFrame {
public:
    explicit PropertyGrid(QWidget* parent);

    GridRow<BoolParamater> addBool(const std::wstring& label, bool value);
    GridRow<BoolParamater> addBool(const std::wstring& label, bool value, bool locked, bool readOnly);
    GridRow<IntParameter> addInt(const std::wstring& label, long long min, long long max, long long value);
    GridRow<IntParameter> addInt(const std::wstring& label, long long min, long long max, long long value,
                                 long long step, std::vector<long long> allowedValues, int representation,
                                 bool locked, bool readOnly);
    GridRow<FloatParameter> addFloat(const std::wstring& label, double min, double max, double value);
    GridRow<FloatParameter> addFloat(const std::wstring& label, double min, double max, double value,
                                     double step, std::vector<double> allowedValues, int representation,
                                     bool locked, bool readOnly);
    GridRow<ExposureParameter> addExposure(const std::wstring& label, double min, double max, double value,
                                           double step, bool locked, bool readOnly);
    GridRow<ListParameter> addList(const std::wstring& label, std::vector<std::wstring> items,
                                   std::wstring current);
    GridRow<ListParameter> addList(const std::wstring& label, std::vector<std::wstring> items,
                                   std::wstring current, bool locked, bool readOnly);
    GridRow<DynListParameter> addDynList(const std::wstring& label, std::vector<std::wstring> items,
                                         std::wstring current);
    GridRow<FilenameParameter> addFilename(const std::wstring& label, std::wstring path);
    GridRow<StringParameter> addString(const std::wstring& label, std::wstring text);
    GridRow<InfoParameter> addInfo(const std::wstring& label, std::wstring text);
    GridRow<PushParameter> addPush(const std::wstring& label);

    // Places a label and an editor in the next row, below the last one.
    void addRow(QWidget* label, QWidget* editor);
    PropertyGridLabelBase* createLabel(const std::wstring& text);

    QGridLayout* gridLayout() const { return layout_; }

private:
    template <typename Make> auto place(const std::wstring& label, Make&& makeEditor);

    QGridLayout* layout_;
};

} // namespace app::QtView
