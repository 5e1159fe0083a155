#include "files/Preview.h"

#include <algorithm>
#include <cstdio>

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

std::string ValueText(int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%s (%d)", HexWord(value).c_str(),
                  static_cast<std::int16_t>(value & 0xFFFF));
    return text;
}

}  // namespace

TransferPreview ReadPreview(TransferSeams& s, const FileCheck& file, const FileKind& kind,
                            bool systemAccess) {
    TransferPreview preview;
    int taken = 0;
    for (const FileItem& item : file.Items) {
        if (!item.Data) continue;
        if (taken >= kind.OpenLimit || s.State.CommErrorLatched) break;
        ++taken;
        PreviewRow row;
        row.Address = item.Address;
        row.Index = item.Index;
        row.FileValue = item.Value;
        row.Protected = ProtectionOf(kind.AmpFamily, item.Index, systemAccess);
        row.Readable =
            ReadParamWord(s.Port, kind.AmpFamily, item.Address, row.Current, LogRetries(s));
        s.Panel.RWGaugeProgress = taken * 100 / std::max(1, kind.Entries());
        if (s.Progress) s.Progress(s.Panel.RWGaugeProgress);
        if (row.Protected != Protection::None) {
            ++preview.Protected;
        } else if (row.Changes()) {
            ++preview.WouldChange;
            if (!row.Readable) ++preview.Unreadable;
        } else {
            ++preview.Unchanged;
        }
        preview.Rows.push_back(row);
    }
    preview.LinkLost = s.State.CommErrorLatched;
    return preview;
}

TableQuestion PreviewTable(const TransferPreview& preview, const MessageLookup& message) {
    TableQuestion table;
    table.Title = message(MsgPreviewTitle);
    table.Columns = {message(MsgColumnIndex), message(MsgColumnCurrent), message(MsgColumnFile),
                     message(MsgColumnProtected)};
    // What would change comes first, so it is seen without scrolling; the
    // rest follows in file order.
    for (const bool changes : {true, false}) {
        for (const PreviewRow& row : preview.Rows) {
            if (row.Changes() != changes) continue;
            table.Rows.push_back({HexWord(row.Index),
                                  row.Readable ? ValueText(row.Current) : message(MsgNotReadable),
                                  ValueText(row.FileValue),
                                  row.Protected == Protection::None ? "" : message(MsgProtected)});
            table.Marked.push_back(changes);
        }
    }
    table.Summary = message(MsgWouldChange) + ": " + std::to_string(preview.WouldChange) + ", " +
                    message(MsgUnchanged) + ": " + std::to_string(preview.Unchanged) + ", " +
                    message(MsgProtected) + ": " + std::to_string(preview.Protected);
    if (preview.Unreadable > 0) {
        table.Summary += ", " + message(MsgNotReadable) + ": " + std::to_string(preview.Unreadable);
    }
    table.Question = message(MsgPreviewQuestion);
    return table;
}

std::vector<std::string> PreviewTextLines(const TableQuestion& table) {
    std::vector<std::size_t> widths;
    for (const std::string& column : table.Columns) widths.push_back(column.size());
    for (const auto& row : table.Rows) {
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    const auto line = [&widths](const std::vector<std::string>& cells, bool marked) {
        std::string text = marked ? "* " : "  ";
        for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
            text += cells[c] + std::string(widths[c] - cells[c].size() + 2, ' ');
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    };
    std::vector<std::string> lines{line(table.Columns, false)};
    for (std::size_t r = 0; r < table.Rows.size(); ++r) {
        lines.push_back(line(table.Rows[r], r < table.Marked.size() && table.Marked[r]));
    }
    lines.push_back(table.Summary);
    return lines;
}

bool ConfirmPreview(TransferSeams& s, const TransferPreview& preview) {
    return s.Ask.ConfirmTable(PreviewTable(preview, s.Message));
}
