#include "params/ParamForm.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <optional>

#include "link/CatalogueTexts.h"
#include "params/Fspinedit.h"
#include "params/ParamRules.h"

using namespace CatalogueTexts;

namespace {

constexpr int UnitTextLength = 9;  // the unit cell holds nine characters

constexpr int NameColumn = 0;
constexpr int ValueColumn = 1;
constexpr int RangeColumn = 2;

// Client-area layout below the grid: the tip box, with the two buttons to its
// right.
constexpr int Margin = 4;
constexpr int ButtonWidth = 100;
constexpr int ButtonHeight = 34;

const QColor WriteFailedColour(255, 110, 110);

// clang-format off
const ParamFormDesign Designs[] = {
    {ParamGroup::System, "SystemForm", "SystemGrid", {390, 166, 191}, {779, 394},
     "SysParHelpBtn", "SysParCloseBtn", HelpCaller::SystemParam},
    {ParamGroup::Speed, "SpeedForm", "SpeedGrid", {390, 166, 191}, {779, 400},
     "SpdParHelpBtn", "SpdParCloseBtn", HelpCaller::SpeedParam},
    {ParamGroup::Torque, "TorqueForm", "TorqueGrid", {390, 167, 212}, {779, 396},
     "TrqParHelpBtn", "TrqParCloseBtn", HelpCaller::TorqueParam},
    {ParamGroup::Position, "PositionForm", "PositionGrid", {390, 166, 191}, {779, 394},
     "PosParHelpBtn", "PosParCloseBtn", HelpCaller::PositionParam},
};
// clang-format on

QFont BoldFont(const QFont& base, int pixels) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

// Row 0 and column 0 are fixed: titles and names, never focused.
QTableWidgetItem* FixedItem() {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::NoItemFlags);
    item->setForeground(QBrush(Qt::black));
    item->setBackground(QBrush(QColor(212, 208, 200)));
    return item;
}

QTableWidgetItem* CellItem() {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

const ParamFormDesign& FormDesign(ParamGroup group) {
    for (const ParamFormDesign& design : Designs) {
        if (design.Group == group) return design;
    }
    return Designs[0];
}

TParamForm::TParamForm(ParamGroup group, const ParamFormContext& context, QWidget* parent)
    : QMdiSubWindow(parent), group_(group), design_(FormDesign(group)), context_(context) {
    setObjectName(design_.Caption);
    setWindowTitle(design_.Caption);
    setAttribute(Qt::WA_DeleteOnClose);
    BuildContent();
}

// The editors lose the focus while the window is torn down; nothing may be
// stored or queued by then.
TParamForm::~TParamForm() {
    closing_ = true;
    for (TFSpinEdit* editor : editors_) editor->disconnect(this);
}

void TParamForm::BuildContent() {
    const QSize client = design_.ClientSize;
    auto* content = new QWidget(this);
    content->setObjectName(QString(design_.Caption) + "Client");
    content->setFixedSize(client);
    const int tipTop = client.height() - TipMemoHeight - Margin;
    BuildGrid(content, tipTop - Margin);
    BuildTipAndButtons(content, tipTop);
    BuildEditors();
    setWidget(content);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(RefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &TParamForm::RefreshDisplayData);
}

void TParamForm::BuildGrid(QWidget* content, int height) {
    const int count = ::EntryCount(group_);
    grid_ = new QTableWidget(count + 1, 3, content);
    grid_->setObjectName(design_.GridName);
    grid_->setGeometry(0, 0, design_.ClientSize.width(), height);
    grid_->setFont(BoldFont(font(), GridFontPixels));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(RowHeight);
    grid_->verticalHeader()->setDefaultSectionSize(RowHeight);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < 3; ++column)
        grid_->setColumnWidth(column, design_.ColumnWidths[static_cast<std::size_t>(column)]);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->setWordWrap(false);
    for (int row = 0; row <= count; ++row) {
        for (int column = 0; column < 3; ++column) {
            const bool fixed = row == 0 || column == NameColumn;
            grid_->setItem(row, column, fixed ? FixedItem() : CellItem());
        }
    }
}

void TParamForm::BuildTipAndButtons(QWidget* content, int tipTop) {
    const int width = design_.ClientSize.width();
    tipMemo_ = new QPlainTextEdit(content);
    tipMemo_->setObjectName("TipMemo");
    tipMemo_->setReadOnly(true);
    tipMemo_->setFont(BoldFont(font(), TipFontPixels));
    tipMemo_->setGeometry(Margin, tipTop, width - ButtonWidth - 3 * Margin, TipMemoHeight);

    const int buttonLeft = width - ButtonWidth - Margin;
    helpButton_ = new QPushButton(content);
    helpButton_->setObjectName(design_.HelpButtonName);
    helpButton_->setGeometry(buttonLeft, tipTop + Margin, ButtonWidth, ButtonHeight);
    closeButton_ = new QPushButton(content);
    closeButton_->setObjectName(design_.CloseButtonName);
    closeButton_->setGeometry(buttonLeft, tipTop + TipMemoHeight - ButtonHeight - Margin,
                              ButtonWidth, ButtonHeight);
    connect(helpButton_, &QPushButton::clicked, this, &TParamForm::HelpBtnClick);
    connect(closeButton_, &QPushButton::clicked, this, &TParamForm::CloseBtnClick);
}

// The editors live on the grid's viewport so that one over a cell scrolled
// half out of view is clipped with it.
void TParamForm::BuildEditors() {
    const int count = ::EntryCount(group_);
    for (int i = 0; i < count; ++i) {
        auto* editor = new TFSpinEdit(grid_->viewport());
        editor->setObjectName(QString("FSpinEdit%1").arg(i + 1));
        editor->setFont(grid_->font());
        editor->hide();
        editors_.push_back(editor);
    }
    tips_.assign(static_cast<std::size_t>(count), {0, 0});
    units_.assign(static_cast<std::size_t>(count), QString());
    shownRaw_.assign(static_cast<std::size_t>(count), 0);
    failedShown_.assign(static_cast<std::size_t>(count), false);
    enteredText_.assign(static_cast<std::size_t>(count), QString());
}

QString TParamForm::Msg(int n) const {
    return QString::fromStdString(context_.Catalogue.Msg(n));
}

TFSpinEdit* TParamForm::Editor(int index) const {
    if (index < 0 || index >= EntryCount()) return nullptr;
    return editors_[static_cast<std::size_t>(index)];
}

void TParamForm::FormCreate() {
    for (int i = 0; i < EntryCount(); ++i) SetUpEntry(i);
    connect(grid_, &QTableWidget::currentCellChanged, this, [this] { PlaceEditor(true); });
    connect(grid_, &QTableWidget::cellClicked, this, [this] { PlaceEditor(true); });
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { PlaceEditor(false); });
    refreshTimer_->start();
}

// The editor settings, unit, value and range of one entry for the current
// amplifier; the range cell needs the unit.
void TParamForm::SetUpEntry(int index) {
    const DriveState& state = context_.State;
    TFSpinEdit* editor = Editor(index);
    editor->SetIncrement(Increment(group_, index, state));
    editor->SetMaxLength(MaxLength(group_, index));
    ConnectEditor(index);
    units_[static_cast<std::size_t>(index)] =
        Msg(UnitMsg(group_, index, state)).left(UnitTextLength);
    FormatValueToShow(index, 0);
    const Limits limits = EntryLimits(group_, index, state);
    if (limits.Set)
        SetSpinEditValue(index, limits.TipFirst, limits.TipLast, limits.Max, limits.Min);
}

// Each editor serves one entry for the window's life, so its handlers are
// bound to that entry's index.
void TParamForm::ConnectEditor(int index) {
    TFSpinEdit* editor = Editor(index);
    connect(editor, &TFSpinEdit::entered, this, [this, index] { FSpinEditEnter(index); });
    connect(editor, &TFSpinEdit::exited, this, [this, index] { FSpinEditExit(index); });
    connect(editor, &TFSpinEdit::doubleClicked, this, [this, index] { FSpinEditDbClick(index); });
    // The character stays an ordinary one for editors that take Return in place.
    if (LeavesInPlaceOnReturn(index)) {
        connect(editor, &TFSpinEdit::keyDown, this,
                [this, index](int key) { FSpinEditKeyDown(index, key); });
    } else {
        connect(editor, &TFSpinEdit::keyPress, this, [this, index](QChar key, bool* swallow) {
            FSpinEditKeyPress(index, key, swallow);
        });
    }
}

bool TParamForm::LeavesInPlaceOnReturn(int) const {
    return false;
}

void TParamForm::ChangeLanguage() {
    const auto& titles = Group(group_).ColumnTitleMsgs;
    for (int column = 0; column < 3; ++column)
        SetCell(0, column, Msg(titles[static_cast<std::size_t>(column)]));
    for (int i = 0; i < EntryCount(); ++i) {
        const bool enabled = EntryEnabled(context_.Map, group_, i);
        SetCell(i + 1, NameColumn, enabled ? Msg(NameMsg(group_, i)) : QString());
    }
    helpButton_->setText(Msg(MsgButtonHelp));
    closeButton_->setText(Msg(MsgButtonClose));
}

void TParamForm::SetCell(int row, int column, const QString& text) {
    QTableWidgetItem* item = grid_->item(row, column);
    if (item->text() != text) item->setText(text);
}

void TParamForm::ShowValueText(int index, const QString& text) {
    Editor(index)->setText(text);
    if (EntryEnabled(context_.Map, group_, index)) {
        SetCell(index + 1, ValueColumn, text);
    } else {
        Editor(index)->hide();
        SetCell(index + 1, ValueColumn, QString());
    }
}

void TParamForm::FormatValueToShow(int index, int direction) {
    TFSpinEdit* editor = Editor(index);
    if (editor == nullptr) return;
    const auto i = static_cast<std::size_t>(index);
    if (direction == 0) {
        ShowValueText(index,
                      QString::fromStdString(ShowText(
                          group_, index, context_.Caches.Value(group_, index), context_.State)));
    } else {
        std::optional<double> value;
        if (!LeftUnchanged(index)) value = editor->GetValue();
        const EditOutcome outcome = context_.Writer.LeaveEditor(group_, index, value);
        ShowValueText(index, QString::fromStdString(outcome.CellText));
    }
    shownRaw_[i] = context_.Caches.Value(group_, index);
}

void TParamForm::SetSpinEditValue(int index, int tipFirst, int tipLast, double maximum,
                                  double minimum) {
    TFSpinEdit* editor = Editor(index);
    if (editor == nullptr) return;
    tips_[static_cast<std::size_t>(index)] = {tipFirst, tipLast};
    if (!EntryEnabled(context_.Map, group_, index)) {
        SetCell(index + 1, RangeColumn, QString());
        return;
    }
    editor->SetMaxValue(maximum);
    editor->SetMinValue(minimum);
    const std::string unit = units_[static_cast<std::size_t>(index)].toStdString();
    SetCell(
        index + 1, RangeColumn,
        QString::fromStdString(RangeText(group_, index, minimum, maximum, context_.State, unit)));
}

// What the grid shows for its focused cell: a value cell gets its entry's
// tips and, when the entry exists, its editor laid exactly over the cell.
void TParamForm::PlaceEditor(bool giveFocus) {
    const int row = grid_->currentRow();
    const int column = grid_->currentColumn();
    const bool valueCell = column == ValueColumn && row >= 1 && row <= EntryCount();
    const int index = valueCell ? row - 1 : -1;
    TFSpinEdit* shown =
        valueCell && EntryEnabled(context_.Map, group_, index) ? Editor(index) : nullptr;
    for (TFSpinEdit* editor : editors_) {
        if (editor != shown) editor->hide();
    }
    if (!valueCell) return;
    if (giveFocus) ShowTips(index);
    if (shown == nullptr) return;
    const QRect cell = grid_->visualItemRect(grid_->item(row, column));
    // The cell and the grid lines right and below it: the whole row height.
    shown->setGeometry(cell.left(), cell.top(), cell.width() + 1, cell.height() + 1);
    shown->show();
    shown->raise();
    if (giveFocus) shown->setFocus(Qt::MouseFocusReason);
}

void TParamForm::ShowTips(int index) {
    tipMemo_->clear();
    const auto& [first, last] = tips_[static_cast<std::size_t>(index)];
    if (first == 0) return;
    for (int n = first; n <= last; ++n) tipMemo_->appendPlainText(Msg(n));
    tipMemo_->moveCursor(QTextCursor::Start);
}

void TParamForm::FSpinEditEnter(int index) {
    TFSpinEdit* editor = Editor(index);
    // An edit of another entry of the same word, just left, may not be shown
    // yet; the editor must start from the word as it is now.
    if (context_.Caches.Value(group_, index) != shownRaw_[static_cast<std::size_t>(index)])
        FormatValueToShow(index, 0);
    const QString shown = grid_->item(index + 1, ValueColumn)->text();
    if (const auto value = TFSpinEdit::ParseValue(shown)) {
        editor->SetValue(*value);
    } else {
        editor->clear();
    }
    enteredText_[static_cast<std::size_t>(index)] = editor->text();
}

void TParamForm::FSpinEditExit(int index) {
    if (closing_) return;
    TFSpinEdit* editor = Editor(index);
    if (!LeftUnchanged(index)) {
        if (editor->text().isEmpty()) editor->setText(TFSpinEdit::FormatValue(editor->MinValue()));
        const double value = editor->GetValue();
        const double clamped = ClampToLimits(value, editor->MinValue(), editor->MaxValue());
        if (clamped != value) editor->SetValue(clamped);
    }
    FormatValueToShow(index, 1);
    // A second exit without a change in between (Return in place) writes
    // nothing more.
    enteredText_[static_cast<std::size_t>(index)] = editor->text();
}

// The cell shows a rounded value: written back unchanged, it would replace
// the amplifier's exact setting by the rounding, so only a value the user
// changed is written. A cell without a value left empty is unchanged too.
bool TParamForm::LeftUnchanged(int index) const {
    const QString& entered = enteredText_[static_cast<std::size_t>(index)];
    const QString now = Editor(index)->text();
    return TFSpinEdit::ParseValue(now) == TFSpinEdit::ParseValue(entered) &&
           now.isEmpty() == entered.isEmpty();
}

void TParamForm::FSpinEditDbClick(int index) {
    Editor(index)->SetValue(Editor(index)->MinValue());
}

// Return passes the focus on to the grid, which leaves the editor.
void TParamForm::FSpinEditKeyPress(int, QChar key, bool* swallow) {
    if (key != QLatin1Char('\r')) return;
    *swallow = true;
    grid_->setFocus(Qt::TabFocusReason);
}

void TParamForm::FSpinEditKeyDown(int index, int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) FSpinEditExit(index);
}

void TParamForm::RefreshDisplayData() {
    for (int i = 0; i < EntryCount(); ++i) {
        const auto slot = static_cast<std::size_t>(i);
        TFSpinEdit* editor = Editor(i);
        const std::int32_t raw = context_.Caches.Value(group_, i);
        // The value being typed is left alone until the editor is left.
        if (raw != shownRaw_[slot] && !editor->hasFocus()) FormatValueToShow(i, 0);
        const bool failed = context_.Caches.WriteFailed(group_, i);
        if (failed != failedShown_[slot]) MarkWriteFailed(i, failed);
    }
}

void TParamForm::MarkWriteFailed(int index, bool failed) {
    QTableWidgetItem* item = grid_->item(index + 1, ValueColumn);
    item->setBackground(failed ? QBrush(WriteFailedColour) : QBrush());
    failedShown_[static_cast<std::size_t>(index)] = failed;
}

void TParamForm::HelpBtnClick() {
    ShowHelp(design_.Help, context_.Catalogue, this);
}

void TParamForm::CloseBtnClick() {
    close();
}

// The frame and title bar are known only once the window sits in the MDI
// area: the window is sized around its client area then.
void TParamForm::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    adjustSize();
}

// An editor being typed into is left as if the focus had moved on, so what
// it shows is stored and queued; the focus itself leaves only after the
// window is gone, when nothing may be stored any more.
void TParamForm::closeEvent(QCloseEvent* event) {
    for (int i = 0; i < EntryCount(); ++i) {
        if (Editor(i)->hasFocus()) FSpinEditExit(i);
    }
    closing_ = true;
    for (TFSpinEdit* editor : editors_) editor->hide();
    refreshTimer_->stop();
    NotifyClosed();
    QMdiSubWindow::closeEvent(event);
}
