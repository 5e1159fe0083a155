#pragma once
#include <QMdiSubWindow>
#include <QSize>
#include <QString>
#include <array>
#include <vector>

#include "link/AddressMap.h"
#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "operation/Help.h"
#include "params/ParamCaches.h"
#include "params/ParamEntry.h"
#include "params/ParamWriter.h"
#include "widgets/ChildWindow.h"

class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;
class TFSpinEdit;

// What a parameter window works on; all of it belongs to the main window and
// outlives the window.
struct ParamFormContext {
    const DriveState& State;
    const AddressMap& Map;
    ParamCaches& Caches;
    ParamWriter& Writer;
    const MessageCatalogue& Catalogue;
};

// How the four parameter windows differ in their form description.
struct ParamFormDesign {
    ParamGroup Group;
    const char* Caption;
    const char* GridName;
    std::array<int, 3> ColumnWidths;
    QSize ClientSize;
    const char* HelpButtonName;
    const char* CloseButtonName;
    HelpCaller Help;
};
const ParamFormDesign& FormDesign(ParamGroup group);

// The parameter group window: a grid of names, values and ranges, one spin
// editor per entry placed over the value cell being edited, a tip box and
// Help and Close buttons. Leaving an editor clamps its value to the limits,
// stores it in the cache and queues the write for the write timer; the window
// never talks to the amplifier itself.
class TParamForm : public QMdiSubWindow, public ChildWindow {
    Q_OBJECT
public:
    static constexpr int RowHeight = 24;
    static constexpr int TipMemoHeight = 99;
    // The largest bold size whose spin editor still fits a 24-pixel row
    // (its minimum height grows with the font).
    static constexpr int GridFontPixels = 13;
    static constexpr int TipFontPixels = 16;
    static constexpr int RefreshMs = 200;

    TParamForm(ParamGroup group, const ParamFormContext& context, QWidget* parent = nullptr);
    ~TParamForm() override;

    // Wires the editors and fills the grid from the cache.
    void FormCreate();
    void ChangeLanguage() override;

    // direction 0: show the cached value; 1: store the edited value and queue
    // its write.
    void FormatValueToShow(int index, int direction);
    void SetSpinEditValue(int index, int tipFirst, int tipLast, double maximum, double minimum);

    QTableWidget* Grid() const { return grid_; }
    QPlainTextEdit* TipMemo() const { return tipMemo_; }
    TFSpinEdit* Editor(int index) const;
    int EntryCount() const { return static_cast<int>(editors_.size()); }
    // Shows what the cache holds now: values changed behind the window and
    // the marks of writes the amplifier did not take.
    void RefreshDisplayData();

public slots:
    void HelpBtnClick();
    void CloseBtnClick();

protected:
    // Return in an editor: the usual editors pass the focus on, which leaves
    // them; a window may let an editor take Return in place instead.
    virtual bool LeavesInPlaceOnReturn(int index) const;

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildContent();
    void BuildGrid(QWidget* content, int height);
    void BuildTipAndButtons(QWidget* content, int tipTop);
    void BuildEditors();
    void SetUpEntry(int index);
    void ConnectEditor(int index);
    void PlaceEditor(bool giveFocus);
    void ShowTips(int index);
    void SetCell(int row, int column, const QString& text);
    void ShowValueText(int index, const QString& text);
    void MarkWriteFailed(int index, bool failed);
    bool LeftUntouchedPlaceholder(int index) const;
    QString Msg(int n) const;

    void FSpinEditEnter(int index);
    void FSpinEditExit(int index);
    void FSpinEditDbClick(int index);
    void FSpinEditKeyPress(int index, QChar key, bool* swallow);
    void FSpinEditKeyDown(int index, int key);

    ParamGroup group_;
    const ParamFormDesign& design_;
    ParamFormContext context_;
    bool closing_ = false;

    QTableWidget* grid_ = nullptr;
    QPlainTextEdit* tipMemo_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    std::vector<TFSpinEdit*> editors_;
    std::vector<std::array<int, 2>> tips_;  // first and last tip message
    std::vector<QString> units_;
    std::vector<std::int32_t> shownRaw_;  // the cached value the value cell shows
    std::vector<bool> failedShown_;
    std::vector<bool> placeholderEntered_;  // entered from a cell without a value
};
