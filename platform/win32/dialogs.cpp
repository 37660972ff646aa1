#include "platform/win32/dialogs.h"

#include <vector>

#include "platform/win32/text.h"

namespace kivrel {
namespace {

// A dialog template assembled in memory: DLGTEMPLATE, then its items, each DWORD-aligned.
class TemplateWriter {
  public:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const std::wstring& s) {
        for (wchar_t c : s)
            Word(static_cast<WORD>(c));
        Word(0);
    }
    void AlignDword() {
        if (words_.size() % 2 != 0)
            Word(0);
    }
    void Header(DWORD style, WORD items, short cx, short cy, const std::wstring& title,
                WORD pointSize, const std::wstring& font) {
        Dword(style);
        Dword(0);  // extended style
        Word(items);
        Word(0);  // x, y: DS_CENTER places it
        Word(0);
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(0);  // no menu
        Word(0);  // the standard dialog class
        Text(title);
        Word(pointSize);
        Text(font);
    }
    // atom: 0x80 button, 0x81 edit, 0x82 static.
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              const std::wstring& text) {
        AlignDword();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(id);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);  // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    std::vector<WORD> words_;
};

struct InputBoxState {
    std::wstring prompt;
    std::wstring answer;
};

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<InputBoxState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetDlgItemTextW(dialog, kInputBoxPromptId, state->prompt.c_str());
            SetDlgItemTextW(dialog, kInputBoxEditId, state->answer.c_str());
            HWND edit = GetDlgItem(dialog, kInputBoxEditId);
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SetFocus(edit);
            SetForegroundWindow(dialog);
            return FALSE;  // the focus has been set
        }
        case WM_COMMAND: {
            auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            const WORD id = LOWORD(wParam);
            if (id == IDOK) {
                HWND edit = GetDlgItem(dialog, kInputBoxEditId);
                std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                const int n = GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
                text.resize(static_cast<size_t>(n > 0 ? n : 0));
                state->answer = text;
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (id == IDCANCEL) {
                state->answer.clear();
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

UINT MessageBoxStyle(const MsgStyle& style) {
    UINT flags = style.buttons == MsgButtons::YesNo ? MB_YESNO : MB_OK;
    switch (style.icon) {
        case MsgIcon::None:
            break;
        case MsgIcon::Information:
            flags |= MB_ICONINFORMATION;
            break;
        case MsgIcon::Question:
            flags |= MB_ICONQUESTION;
            break;
        case MsgIcon::Warning:
            flags |= MB_ICONWARNING;
            break;
        case MsgIcon::Critical:
            flags |= MB_ICONERROR;
            break;
    }
    if (style.defaultButton == 1)
        flags |= MB_DEFBUTTON2;
    return flags;
}

HWND Win32Dialogs::Owner() const {
    return owner_ != nullptr && IsWindowVisible(owner_) ? owner_ : nullptr;
}

MsgAnswer Win32Dialogs::MsgBox(const std::string& text, const std::string& title, MsgStyle style) {
    HWND owner = Owner();
    UINT flags = MessageBoxStyle(style) | MB_SETFOREGROUND;
    if (owner == nullptr)
        flags |= MB_TASKMODAL;
    const int answer = MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), flags);
    if (answer == IDYES)
        return MsgAnswer::Yes;
    if (answer == IDNO)
        return MsgAnswer::No;
    return MsgAnswer::Ok;
}

std::string Win32Dialogs::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultAnswer) {
    // Dialog units; the prompt wraps in its box, the answer runs along the bottom.
    TemplateWriter t;
    t.Header(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, 4, 250,
             86, Widen(title), 9, L"MS Shell Dlg");
    t.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 176, 50, kInputBoxPromptId, 0x82, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 193, 7, 50, 14, IDOK, 0x80, L"确定");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 193, 25, 50, 14, IDCANCEL, 0x80, L"取消");
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 64, 236, 13, kInputBoxEditId, 0x81, L"");

    InputBoxState state{Widen(prompt), Widen(defaultAnswer)};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), Owner(),
                                                   InputBoxProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK)
        return {};
    return Narrow(state.answer);
}

}  // namespace kivrel
