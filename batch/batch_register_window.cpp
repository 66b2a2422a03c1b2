#include "batch/batch_register_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "batch/batch_list_view.h"
#include "fileops/fs_edge.h"
#include "framework/edition.h"
#include "framework/encoding.h"
#include "framework/log_sink.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

// The command the dialog manager sends for Enter outside a push button: the
// window's default "button", which no control carries, so Enter in a field
// or in the list does nothing.
constexpr int kEnterKeyCommand = 0x7ff0;

// A read in this window is not part of a run: its messages are shown, and
// nothing goes to the run log.
class NoRunLog : public LogSink {
public:
    void AppendLine(const std::wstring&, const std::wstring&) override {}
};

std::wstring WithTextExtension(const std::wstring& path) {
    if (path.empty() || FormatOfPath(path) != BatchFormat::Binary) return path;
    return path.substr(0, path.size() - std::wstring(kBinaryBatchExtension).size()) + kTextBatchExtension;
}

bool FitsCodePage932(const std::wstring& text) {
    bool usedDefault = false;
    const std::string bytes = ToCodePage(text, kCodePage932, &usedDefault);
    return !usedDefault && FromCodePage(bytes, kCodePage932) == text;
}

// The narrow program writes both formats in code page 932: a row whose path
// the code page cannot hold would be stored with "?" in its place and name
// another folder, so it counts as incomplete (left out, after asking).
std::vector<BatchListRow> StorableRows(std::vector<BatchListRow> rows) {
    if (kNarrowBuild)
        for (BatchListRow& row : rows)
            if (!FitsCodePage932(row.source) || !FitsCodePage932(row.destination)) row.source.clear();
    return rows;
}

// The extension of a filter entry ("text|*.mrt|text|*.mrx||", 1-based).
std::wstring FilterExtension(const std::wstring& filter, int index, const std::wstring& fallback) {
    std::vector<std::wstring> parts;
    for (size_t from = 0, bar; (bar = filter.find(L'|', from)) != std::wstring::npos; from = bar + 1)
        parts.push_back(filter.substr(from, bar - from));
    const size_t pattern = 2 * static_cast<size_t>(index) - 1;
    if (index < 1 || pattern >= parts.size()) return fallback;
    const std::wstring extension = PathExtension(parts[pattern]);
    return FormatOfExtension(extension) == BatchFormat::Unknown ? fallback : extension;
}

// The reader tells the formats by the extension alone and refuses any other:
// a name without "mrx" or "mrt" ("nightly.v2") gets the extension of the
// chosen file type, as a name without any extension gets it from the dialog.
std::wstring WithFormatExtension(const std::wstring& path, const FileDialogRequest& request, int filterIndex) {
    if (path.empty() || FormatOfPath(path) != BatchFormat::Unknown) return path;
    return path + L'.' + FilterExtension(request.filter, filterIndex, request.defaultExtension);
}

}  // namespace

BatchRegisterWindow::BatchRegisterWindow(bool textBatchDefault, Prompter* prompter)
    : Dialog(IDD_BATCH_REGISTER), prompter_(prompter), textDefault_(textBatchDefault) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

// ---- The platform dialogs --------------------------------------------------

std::wstring BatchRegisterWindow::ChooseFolder(bool source, const std::wstring& initialFolder,
                                               std::wstring& remembered) {
    const std::wstring prompt = LoadText(source ? msg::kChooseSourcePrompt : msg::kChooseDestinationPrompt);
    const std::wstring caption = LoadText(source ? msg::kChooseSourceTitle : msg::kChooseDestinationTitle);
    std::wstring chosen = chooser_.Choose(hwnd(), prompt, caption, initialFolder);
    if (!chosen.empty()) remembered = chooser_.rememberedFolder();
    return chosen;
}

std::wstring BatchRegisterWindow::ChooseFileToRead(const FileDialogRequest& request) {
    return ChooseOpenFile(hwnd(), request);
}

std::wstring BatchRegisterWindow::ChooseFileToWrite(const FileDialogRequest& request, int& filterIndex) {
    return ChooseSaveFile(hwnd(), request, &filterIndex);
}

std::uint32_t BatchRegisterWindow::SeedNow() { return CurrentBatchSeed(); }

// ---- The list and the fields -------------------------------------------------

int BatchRegisterWindow::RowCount() const { return ListRowCount(Item(IDC_BATCH_LIST)); }

int BatchRegisterWindow::SelectedRow() const { return SelectedListRow(Item(IDC_BATCH_LIST)); }

std::vector<BatchListRow> BatchRegisterWindow::Rows() const {
    HWND list = Item(IDC_BATCH_LIST);
    std::vector<BatchListRow> rows;
    for (int i = 0; i < RowCount(); ++i)
        rows.push_back({ListCellText(list, i, kOperationColumn), ListCellText(list, i, kSourceColumn),
                        ListCellText(list, i, kDestinationColumn)});
    return rows;
}

std::wstring BatchRegisterWindow::CheckedOperation() const {
    return OperationLabel(IsChecked(IDC_BATCH_SYNC) ? kSyncLetter : kOverwriteLetter);
}

void BatchRegisterWindow::WriteFieldsToSelected(int fields) {
    const int row = SelectedRow();
    if (row < 0 || row >= RowCount()) return;
    HWND list = Item(IDC_BATCH_LIST);
    if (fields & kOperationField) {
        if (IsChecked(IDC_BATCH_OVERWRITE)) SetListCellText(list, row, kOperationColumn, OperationLabel(kOverwriteLetter));
        else if (IsChecked(IDC_BATCH_SYNC)) SetListCellText(list, row, kOperationColumn, OperationLabel(kSyncLetter));
    }
    if (fields & kSourceField) SetListCellText(list, row, kSourceColumn, ItemText(IDC_BATCH_SOURCE));
    if (fields & kDestinationField) SetListCellText(list, row, kDestinationColumn, ItemText(IDC_BATCH_DEST));
}

void BatchRegisterWindow::LoadRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    HWND list = Item(IDC_BATCH_LIST);
    updating_ = true;
    const wchar_t letter = OperationLetter(ListCellText(list, row, kOperationColumn));
    if (letter) {
        SetChecked(IDC_BATCH_OVERWRITE, letter == kOverwriteLetter);
        SetChecked(IDC_BATCH_SYNC, letter == kSyncLetter);
    }
    SetItemText(IDC_BATCH_SOURCE, ListCellText(list, row, kSourceColumn));
    SetItemText(IDC_BATCH_DEST, ListCellText(list, row, kDestinationColumn));
    updating_ = false;
}

void BatchRegisterWindow::SetPathField(int id, const std::wstring& text) {
    // Not under the guard: the field's change notification writes the text
    // into the selected row.
    SetItemText(id, text);
    WriteFieldsToSelected(id == IDC_BATCH_SOURCE ? kSourceField : kDestinationField);
}

namespace {

void SelectOnly(HWND list, int row, bool focus) {
    const UINT mask = focus ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, row, mask, mask);
    ListView_EnsureVisible(list, row, FALSE);
}

}  // namespace

bool BatchRegisterWindow::OnInit() {
    boxes_.setOwner(hwnd());
    openingTitle_ = Title();
    SetItemText(IDC_BATCH_SWAP, LoadText(IDS_BATCH_SWAP));
    HWND list = Item(IDC_BATCH_LIST);
    SetUpBatchListColumns(list);
    SetChecked(IDC_BATCH_OVERWRITE, true);
    SetChecked(IDC_BATCH_SYNC, false);
    // The window starts with one "上書き" row with empty paths.
    const int row = AppendListRow(list, CheckedOperation(), L"", L"");
    SelectOnly(list, row, true);
    WriteFieldsToSelected(kAllFields);
    DragAcceptFiles(hwnd(), TRUE);
    SendMessageW(hwnd(), DM_SETDEFID, kEnterKeyCommand, 0);
    return true;
}

void BatchRegisterWindow::AddRow() {
    HWND list = Item(IDC_BATCH_LIST);
    const int row = AppendListRow(list, CheckedOperation(), L"", L"");
    if (row < 0) return;
    SelectOnly(list, row, true);
    LoadRow(row);
}

void BatchRegisterWindow::DeleteRow() {
    HWND list = Item(IDC_BATCH_LIST);
    const int row = SelectedRow();
    if (row >= 0) {
        ListView_DeleteItem(list, row);
        const int count = RowCount();
        if (count > 0) {
            const int next = row < count ? row : count - 1;
            SelectOnly(list, next, true);
            LoadRow(next);
            return;
        }
    }
    updating_ = true;
    SetItemText(IDC_BATCH_SOURCE, L"");
    SetItemText(IDC_BATCH_DEST, L"");
    updating_ = false;
}

void BatchRegisterWindow::CopyRow() {
    const int row = SelectedRow();
    if (row < 0) return;
    HWND list = Item(IDC_BATCH_LIST);
    const wchar_t letter = OperationLetter(ListCellText(list, row, kOperationColumn));
    if (!letter) return;
    // Not MakeRowLine's check: rows with empty paths are copied too.
    clipboard_ = ListCellText(list, row, kSourceColumn) + L'\t' + ListCellText(list, row, kDestinationColumn) +
                 L'\t' + letter;
    EnableItem(IDC_BATCH_PASTE, true);
}

void BatchRegisterWindow::PasteRow() {
    const int row = SelectedRow();
    if (clipboard_.empty() || row < 0) return;
    const size_t first = clipboard_.find(L'\t');
    const size_t second = first == std::wstring::npos ? first : clipboard_.find(L'\t', first + 1);
    if (second == std::wstring::npos || second + 1 >= clipboard_.size()) return;
    const std::wstring operation = clipboard_.substr(second + 1);
    HWND list = Item(IDC_BATCH_LIST);
    // The copied row comes back whole, its operation included: the row line
    // carries it, and a pasted row that kept its old operation would run
    // the other way than the row it was copied from.
    if (operation.size() == 1 && (operation[0] == kOverwriteLetter || operation[0] == kSyncLetter)) {
        SetChecked(IDC_BATCH_OVERWRITE, operation[0] == kOverwriteLetter);
        SetChecked(IDC_BATCH_SYNC, operation[0] == kSyncLetter);
        SetListCellText(list, row, kOperationColumn, OperationLabel(operation[0]));
    }
    SetListCellText(list, row, kSourceColumn, clipboard_.substr(0, first));
    SetListCellText(list, row, kDestinationColumn, clipboard_.substr(first + 1, second - first - 1));
    LoadRow(row);
}

void BatchRegisterWindow::MoveRow(int step) {
    HWND list = Item(IDC_BATCH_LIST);
    if (ListView_GetSelectedCount(list) != 1) return;
    const int row = SelectedRow();
    const int other = row + step;
    if (row < 0 || other < 0 || other >= RowCount()) return;
    for (int column : {kOperationColumn, kSourceColumn, kDestinationColumn}) {
        const std::wstring text = ListCellText(list, row, column);
        SetListCellText(list, row, column, ListCellText(list, other, column));
        SetListCellText(list, other, column, text);
    }
    // The selection follows the row; the list's own handling of the key then
    // moves the focus the same way.
    SelectOnly(list, other, false);
}

void BatchRegisterWindow::ShowSwapState() {
    SetTitle(notSwapped_ ? openingTitle_ : openingTitle_ + LoadText(IDS_BATCH_SWAPPED_TITLE));
    SetItemText(IDC_BATCH_SWAP, LoadText(notSwapped_ ? IDS_BATCH_SWAP : IDS_BATCH_UNSWAP));
}

void BatchRegisterWindow::SwapAll() {
    HWND list = Item(IDC_BATCH_LIST);
    updating_ = true;
    for (int i = 0; i < RowCount(); ++i) {
        const std::wstring source = ListCellText(list, i, kSourceColumn);
        SetListCellText(list, i, kSourceColumn, ListCellText(list, i, kDestinationColumn));
        SetListCellText(list, i, kDestinationColumn, source);
    }
    updating_ = false;
    notSwapped_ = !notSwapped_;
    ShowSwapState();
    const int selected = SelectedRow();
    LoadRow(selected >= 0 ? selected : 0);
}

void BatchRegisterWindow::Browse(bool source) {
    std::wstring& last = lastFolder_[source ? 0 : 1];
    std::wstring remembered = last;
    const std::wstring chosen = ChooseFolder(source, last, remembered);
    if (chosen.empty()) return;
    last = remembered;
    SetPathField(source ? IDC_BATCH_SOURCE : IDC_BATCH_DEST, chosen);
}

void BatchRegisterWindow::ReadFile() {
    FileDialogRequest request;
    request.filter = LoadText(textDefault_ ? msg::kBatchFilterTextFirst : msg::kBatchFilterBinaryFirst);
    request.defaultExtension = textDefault_ ? kTextBatchExtension : kBinaryBatchExtension;
    request.initialName = lastFile_;
    const std::wstring chosen = ChooseFileToRead(request);
    if (chosen.empty()) return;
    lastFile_ = chosen;
    textDefault_ = TextDefaultForPath(chosen);

    NoRunLog noLog;
    const BatchReadContext context{Prompts(), noLog, false, false, {}};
    ParsedBatch parsed;
    if (!ReadBatchFile(chosen, context, parsed)) return;  // reported; the list stays as it was

    notSwapped_ = true;
    ShowSwapState();
    HWND list = Item(IDC_BATCH_LIST);
    updating_ = true;
    FillBatchListView(Item(IDC_BATCH_COMMENT), list, parsed.comment, parsed.rowLines);
    updating_ = false;
    if (RowCount() > 0) {
        SelectOnly(list, 0, true);
        LoadRow(0);
    }
}

void BatchRegisterWindow::WriteFile() {
    const BatchPayloads payloads = BuildBatchPayloads(StorableRows(Rows()), ItemText(IDC_BATCH_COMMENT));
    if (payloads.keptRows == 0) {
        Prompts().Warning(LoadText(msg::kNothingToWrite));
        return;
    }
    if (payloads.skippedRows > 0 && !Prompts().YesNo(LoadText(msg::kWriteValidOnlyQuestion))) return;
    const std::uint32_t seed = SeedNow();

    std::wstring proposed = lastFile_;
    bool announced = false;
    for (;;) {
        FileDialogRequest request;
        if (payloads.forcedText) {
            request.filter = LoadText(msg::kBatchFilterTextOnly);
            request.defaultExtension = kTextBatchExtension;
            proposed = WithTextExtension(proposed);
            if (!textDefault_ && !announced) Prompts().Information(LoadText(IDS_BATCH_SAVE_AS_TEXT));
        } else {
            request.filter = LoadText(textDefault_ ? msg::kBatchFilterTextFirst : msg::kBatchFilterBinaryFirst);
            request.defaultExtension = textDefault_ ? kTextBatchExtension : kBinaryBatchExtension;
        }
        announced = false;
        request.initialName = proposed;
        request.askOverwrite = false;  // asked below, about the name with its extension
        int filterIndex = 1;
        const std::wstring typed = ChooseFileToWrite(request, filterIndex);
        const std::wstring chosen = WithFormatExtension(typed, request, filterIndex);
        if (chosen.empty()) return;
        if (payloads.forcedText && FormatOfPath(chosen) == BatchFormat::Binary) {
            // The binary format would store "?" for the characters the code
            // page cannot hold and so name other folders: ask for a text
            // batch instead of writing a broken one.
            Prompts().Information(LoadText(IDS_BATCH_SAVE_AS_TEXT));
            announced = true;
            proposed = chosen;
            continue;
        }
        if (fs::GetAttributes(chosen) != INVALID_FILE_ATTRIBUTES &&
            !Prompts().YesNo(Message(IDS_BATCH_OVERWRITE_QUESTION, {chosen}))) {
            proposed = chosen;
            continue;
        }
        textDefault_ = TextDefaultForPath(chosen);
        lastFile_ = chosen;
        std::wstring cause;
        if (WriteBatchFile(chosen, payloads, seed, cause)) {
            Prompts().Information(LoadText(msg::kWriteFinished));
            return;
        }
        Prompts().Warning(Message(msg::kWriteFailed, {chosen, cause}));
        if (!Prompts().YesNo(LoadText(msg::kWriteAnother))) return;
        proposed = chosen;
    }
}

void BatchRegisterWindow::OnDrop(HDROP drop) {
    POINT pt{};
    const BOOL inClient = DragQueryPoint(drop, &pt);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::wstring path;
    if (count == 1) {
        const UINT n = DragQueryFileW(drop, 0, nullptr, 0);
        path.resize(n + 1);
        DragQueryFileW(drop, 0, path.data(), n + 1);
        path.resize(n);
    }
    DragFinish(drop);
    if (!inClient) return;

    auto within = [&](int id) {
        RECT r;
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return PtInRect(&r, pt) != FALSE;
    };
    const bool sourceEmpty = ItemText(IDC_BATCH_SOURCE).empty();
    const bool destinationEmpty = ItemText(IDC_BATCH_DEST).empty();
    int target;
    if (within(IDC_BATCH_SOURCE)) target = IDC_BATCH_SOURCE;
    else if (within(IDC_BATCH_DEST)) target = IDC_BATCH_DEST;
    else if (sourceEmpty && destinationEmpty) target = IDC_BATCH_SOURCE;
    else if (destinationEmpty && !sourceEmpty) target = IDC_BATCH_DEST;
    else return;

    if (count > 1) {
        Prompts().Warning(LoadText(msg::kSeveralItemsDropped));
        return;
    }
    if (path.empty()) return;
    const DWORD attributes = fs::GetAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && path.back() != L'\\') path += L'\\';
    SetPathField(target, path);
}

// ---- Messages ----------------------------------------------------------------

bool BatchRegisterWindow::OnCommand(int id, int code, HWND) {
    switch (id) {
    case kEnterKeyCommand: return true;
    case IDC_BATCH_SOURCE:
    case IDC_BATCH_DEST:
        if (code == EN_CHANGE && !updating_) WriteFieldsToSelected(id == IDC_BATCH_SOURCE ? kSourceField : kDestinationField);
        return true;
    case IDC_BATCH_OVERWRITE:
    case IDC_BATCH_SYNC:
        if (code == BN_CLICKED && !updating_) WriteFieldsToSelected(kOperationField);
        return true;
    default: break;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_BATCH_SOURCE_BROWSE: Browse(true); return true;
    case IDC_BATCH_DEST_BROWSE: Browse(false); return true;
    case IDC_BATCH_ADD_ROW: AddRow(); return true;
    case IDC_BATCH_DELETE_ROW: DeleteRow(); return true;
    case IDC_BATCH_COPY: CopyRow(); return true;
    case IDC_BATCH_PASTE: PasteRow(); return true;
    case IDC_BATCH_SWAP: SwapAll(); return true;
    case IDC_BATCH_READ: ReadFile(); return true;
    case IDC_BATCH_WRITE: WriteFile(); return true;
    default: return false;
    }
}

INT_PTR BatchRegisterWindow::OnNotify(NMHDR* header) {
    if (header->idFrom != IDC_BATCH_LIST) return 0;
    if (header->code == NM_CLICK) {
        // Only a click shows a row in the fields; moving with the keyboard does not.
        const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
        if (click->iItem >= 0) LoadRow(click->iItem);
    } else if (header->code == LVN_KEYDOWN) {
        const auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
        if (key->wVKey == VK_UP) MoveRow(-1);
        else if (key->wVKey == VK_DOWN) MoveRow(1);
    }
    return 0;
}

INT_PTR BatchRegisterWindow::OnMessage(UINT msg, WPARAM wp, LPARAM, bool& handled) {
    if (msg != WM_DROPFILES) return 0;
    OnDrop(reinterpret_cast<HDROP>(wp));
    handled = true;
    return 0;
}

}  // namespace mirrant
