// The modal loop, DialogEnd and the dispatch, by message logs.
#include <gtest/gtest.h>

#include <cstdio>

#include "dialog/dialog.h"
#include "dialog_helpers.h"
#include "support/support.h"

namespace {

MessageLog callbackLog;
MessageLog ownerLog;

// What the scenario's callback does, set per test.
struct Script {
    bool endInInit = false;
    int endResult = 0;
    UINT endTimerMs = 0;     // end from a timer after this long
    UINT endAfterIdles = 0;  // the owner ends the dialog at this WM_ENTERIDLE
    INT_PTR sysCommandResult = 0;
    bool endAgainOnClose = false;
    bool destroyOnClose = false;
    bool resizeInInit = false;
    bool postQuitInInit = false;
    bool postKeysInInit = false;
    HWND owner = nullptr;
    bool ownerDisabledWhileRunning = false;
    bool ownerEnabledAtDestroy = false;
    bool visibleDuringInit = true;
    int hiddenSizes = 0;
    int drawItemDoes = 0;    // in WM_DRAWITEM under a refresh: 1 draws, 2 ends the dialog
    bool viaRedraw = false;  // the repaint comes from GraphicRedraw, not from a clear
    bool inRefresh = false;
    int drawItems = 0;
    uint32_t canvasAfter = 0;
    HBITMAP canary[2] = {};
} script;

constexpr UINT_PTR EndTimer = 77;
constexpr UINT_PTR DrawTimer = 78;

// Clears the shown control, whose refresh (or GraphicRedraw) paints it at
// once: WM_DRAWITEM reaches the callback inside. Then ends the dialog.
void ClearUnderRefresh(HWND d) {
    GraphicAttach(d, IDC_GRAPHIC, script.viaRedraw);
    script.inRefresh = !script.viaRedraw;
    GraphicClear(0x0000FF, 0);
    script.inRefresh = true;
    if (script.viaRedraw) GraphicRedraw();
    script.inRefresh = false;
    if (ObjectRecord* r = ObjectRecordFind(ControlHandle(d, IDC_GRAPHIC))) {
        script.canvasAfter = DcPixels(r->graphic.canvasDC, 0, 0, 1, 1)[0];
    }
    DialogEnd(d, 7);
}

void DrawItemUnderRefresh(HWND d) {
    if (!script.inRefresh || ++script.drawItems > 1) return;
    if (script.drawItemDoes == 1) GraphicClear(0x00FF00, 0);
    if (script.drawItemDoes != 2) return;
    DialogEnd(d, 12);
    // Records made now may take the freed memory: a write through the old
    // record would show in them.
    for (HBITMAP& b : script.canary) {
        b = GraphicBitmapNew(2, 2);
        ObjectRecordFind(b)->flags |= FlagChangePending;
        ObjectRecordFind(b)->graphic.positionX = 5;
    }
}

// Ends this test program when a step spins instead of returning: a modal
// safety timer cannot fire while the thread is stuck in a lock.
class HangWatchdog {
public:
    explicit HangWatchdog(DWORD ms) : ms_(ms) { thread_ = CreateThread(nullptr, 0, &Run, this, 0, nullptr); }
    ~HangWatchdog() {
        SetEvent(done_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(done_);
    }
    HangWatchdog(const HangWatchdog&) = delete;
    HangWatchdog& operator=(const HangWatchdog&) = delete;

private:
    static DWORD WINAPI Run(void* self) {
        auto* w = static_cast<HangWatchdog*>(self);
        if (WaitForSingleObject(w->done_, w->ms_) != WAIT_TIMEOUT) return 0;
        fprintf(stderr, "FAILED: hung for %lu ms (a lock held across a callback?)\n", w->ms_);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return 0;
    }
    HANDLE done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD ms_;
    HANDLE thread_;
};

bool Interesting(UINT m) {
    switch (m) {
    case WM_INITDIALOG:
    case WM_SIZE:
    case WM_COMMAND:
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_SYSCOMMAND:
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
    case WM_USER + 1:
        return true;
    default:
        return false;
    }
}

INT_PTR Callback(HWND d, UINT m, WPARAM wp, LPARAM lp) {
    if (Interesting(m)) callbackLog.Add(d, m, wp, lp);
    switch (m) {
    case WM_INITDIALOG:
        script.visibleDuringInit = IsWindowVisible(d);
        if (script.resizeInInit) SetWindowPos(d, nullptr, 0, 0, 250, 150, SWP_NOMOVE | SWP_NOZORDER);
        if (script.postQuitInInit) PostQuitMessage(3);
        if (script.postKeysInInit) {
            PostMessageW(d, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageW(d, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        if (script.endTimerMs) SetTimer(d, EndTimer, script.endTimerMs, nullptr);
        if (script.drawItemDoes) SetTimer(d, DrawTimer, 30, nullptr);
        if (script.endInInit) DialogEnd(d, script.endResult);
        return 0;
    case WM_SIZE:
        if (script.visibleDuringInit) script.visibleDuringInit = IsWindowVisible(d);
        if (!IsWindowVisible(d)) ++script.hiddenSizes;
        return 0;
    case WM_DRAWITEM:
        DrawItemUnderRefresh(d);
        return 0;
    case WM_TIMER:
        if (wp == DrawTimer) {
            KillTimer(d, DrawTimer);
            ClearUnderRefresh(d);
            return 1;
        }
        if (wp != EndTimer) return 0;
        KillTimer(d, EndTimer);
        if (script.owner) script.ownerDisabledWhileRunning = !IsWindowEnabled(script.owner);
        DialogEnd(d, script.endResult);
        DialogEnd(d, 999);  // a second end has no effect
        return 1;
    case WM_SYSCOMMAND:
        return script.sysCommandResult;
    case WM_CLOSE:
        if (script.endAgainOnClose) DialogEnd(d, 555);
        if (script.destroyOnClose) DestroyWindow(d);
        return 0;
    case WM_DESTROY:
        if (script.owner) script.ownerEnabledAtDestroy = IsWindowEnabled(script.owner);
        return 0;
    default:
        return 0;
    }
}

LRESULT CALLBACK OwnerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CANCELMODE || m == WM_ENTERIDLE) ownerLog.Add(w, m, wp, lp);
    if (m == WM_ENTERIDLE && ownerLog.Count(WM_ENTERIDLE) == script.endAfterIdles) {
        script.ownerDisabledWhileRunning = !IsWindowEnabled(w);
        DialogEnd(reinterpret_cast<HWND>(lp), 0);
    }
    return DefWindowProcW(w, m, wp, lp);
}

class Modal : public ::testing::Test {
protected:
    void SetUp() override {
        script = Script{};
        callbackLog.Clear();
        ownerLog.Clear();
        MSG msg;  // leftovers of an earlier test must not reach this one
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }
    HWND NewDialog(HWND owner = nullptr) {
        HWND d = DialogNew(UnitPixels, owner, L"modal", 50, 50, 200, 120, MainDialogStyle, 0);
        safety.Watch(d);
        return d;
    }
    ModalSafety safety;
};

constexpr auto W = ExpectedMessage::WParam;
constexpr auto B = ExpectedMessage::Both;
constexpr auto Any = ExpectedMessage::Any;

}  // namespace

TEST_F(Modal, InitialMessagesWhileHiddenThenRunAndEnd) {
    HWND d = NewDialog();
    script.endTimerMs = 30;
    script.endResult = 42;
    int result = -7;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 42);
    EXPECT_FALSE(IsWindow(d));
    EXPECT_FALSE(script.visibleDuringInit);
    EXPECT_EQ(ObjectRecordFind(d), nullptr);
    ASSERT_GE(callbackLog.entries().size(), 2u);
    const std::vector<ExpectedMessage> initialisedWhileHidden = {
        {WM_INITDIALOG, B, reinterpret_cast<WPARAM>(d), 0, false},
        {WM_SIZE, B, SIZE_RESTORED, MAKELPARAM(200, 120), false},
    };
    std::vector<LoggedMessage> all = callbackLog.entries();
    EXPECT_TRUE(callbackLog.Contains(WM_NCACTIVATE));  // activation reaches the callback
    EXPECT_FALSE(callbackLog.Contains(WM_ACTIVATE));   // but WM_ACTIVATE never does
    // The milestones at the end, in order.
    const std::vector<UINT> ending = {WM_CLOSE, WM_DESTROY, WM_NCDESTROY};
    std::vector<UINT> tail;
    for (const auto& e : all)
        if (e.message == WM_CLOSE || e.message == WM_DESTROY || e.message == WM_NCDESTROY) tail.push_back(e.message);
    EXPECT_EQ(tail, ending);
    callbackLog.Clear();
    for (size_t i = 0; i < 2; ++i) callbackLog.Add(all[i].window, all[i].message, all[i].wParam, all[i].lParam);
    EXPECT_MESSAGES(callbackLog, initialisedWhileHidden);
}

TEST_F(Modal, EndedDuringInitialisationIsNeverShown) {
    HWND d = NewDialog();
    script.endInInit = true;
    script.endResult = 9;
    int result = -7;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, -7);  // no result target yet
    EXPECT_FALSE(IsWindow(d));
    EXPECT_FALSE(script.visibleDuringInit);
    const std::vector<ExpectedMessage> endedInInitialisation = {
        {WM_INITDIALOG, B, reinterpret_cast<WPARAM>(d), 0, false},
        {WM_SIZE, B, 0, 0, false},
    };
    EXPECT_MESSAGES(callbackLog, endedInInitialisation);
}

TEST_F(Modal, ResizingInInitGivesNoExtraSize) {
    HWND d = NewDialog();
    script.resizeInInit = true;
    script.endTimerMs = 20;
    int result = 0;
    DialogShowModal(d, Callback, &result);
    ASSERT_GE(callbackLog.entries().size(), 2u);
    const LoggedMessage size = callbackLog.entries()[1];
    EXPECT_EQ(size.message, static_cast<UINT>(WM_SIZE));
    // The outer size was 250 x 150: the client is that less the frame.
    EXPECT_LT(LOWORD(size.lParam), 250);
    EXPECT_GT(LOWORD(size.lParam), 200);
    // The resize itself sent a WM_SIZE, but not to the callback: the one
    // while hidden is the layer's own.
    EXPECT_EQ(script.hiddenSizes, 1);
}

TEST_F(Modal, EnterAndEscapeAreCommandsThatCloseNothing) {
    HWND d = NewDialog();
    script.postKeysInInit = true;
    script.endTimerMs = 150;
    script.endResult = 5;
    int result = -1;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 5);  // ended by the timer, not by a key
    std::vector<WPARAM> commands;
    for (const auto& e : callbackLog.entries())
        if (e.message == WM_COMMAND) commands.push_back(LOWORD(e.wParam));
    EXPECT_EQ(commands, (std::vector<WPARAM>{IDOK, IDCANCEL}));
}

TEST_F(Modal, CloseRequestEndsWithZero) {
    HWND d = NewDialog();
    PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE | 0x2, 0);  // low four bits are masked
    int result = -7;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsWindow(d));
}

TEST_F(Modal, CloseRequestHandledByTheCallbackKeepsItOpen) {
    HWND d = NewDialog();
    script.sysCommandResult = 1;
    script.endTimerMs = 80;
    script.endResult = 6;
    PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);  // low four bits are masked
    int result = -7;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 6);  // handled by the callback: stayed open
    EXPECT_TRUE(callbackLog.Contains(WM_SYSCOMMAND));
}

TEST_F(Modal, WithoutCallbackACloseRequestEndsIt) {
    HWND d = NewDialog();
    PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    int result = 3;
    DialogShowModal(d, nullptr, &result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsWindow(d));
}

TEST_F(Modal, PostedQuitIsTakenAndLost) {
    HWND d = NewDialog();
    script.postQuitInInit = true;
    script.endTimerMs = 60;
    script.endResult = 8;
    int result = 0;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 8);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

namespace {

HWND OwnerWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = L"ModalTestOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"ModalTestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 400, 200, 100,
                           nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST_F(Modal, OwnerIsCancelledDisabledIdledEnabledAndFocused) {
    HWND owner = OwnerWindow();
    ASSERT_TRUE(owner);
    HWND d = NewDialog(owner);
    script.owner = owner;
    // Ended by idle polls, not by time, which a slow machine spends on
    // painting; the timer only ends a loop that never idles.
    script.endAfterIdles = 4;
    script.endTimerMs = 10000;
    int result = 0;
    DialogShowModal(d, Callback, &result);
    EXPECT_TRUE(script.ownerDisabledWhileRunning);
    EXPECT_TRUE(script.ownerEnabledAtDestroy);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), owner);
    ASSERT_FALSE(ownerLog.entries().empty());
    EXPECT_EQ(ownerLog.entries()[0].message, static_cast<UINT>(WM_CANCELMODE));
    EXPECT_GE(ownerLog.Count(WM_ENTERIDLE), script.endAfterIdles);  // one for every empty poll
    for (const auto& e : ownerLog.entries()) {
        if (e.message != WM_ENTERIDLE) continue;
        EXPECT_EQ(e.wParam, static_cast<WPARAM>(MSGF_DIALOGBOX));
        EXPECT_EQ(e.lParam, reinterpret_cast<LPARAM>(d));
    }
    DestroyWindow(owner);
}

TEST_F(Modal, OwnerOfADialogEndedInInitialisationIsNeverDisabled) {
    HWND owner = OwnerWindow();
    ASSERT_TRUE(owner);
    HWND d = NewDialog(owner);
    script.endInInit = true;
    int result = 0;
    DialogShowModal(d, Callback, &result);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(ownerLog.Contains(WM_CANCELMODE));
    DestroyWindow(owner);
}

TEST_F(Modal, EndingAgainDuringCloseIsSafe) {
    HWND d = NewDialog();
    script.endTimerMs = 20;
    script.endResult = 1;
    script.endAgainOnClose = true;
    int result = 0;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(callbackLog.Count(WM_CLOSE), 1u);
}

TEST_F(Modal, DestroyingDuringCloseIsSafe) {
    HWND d = NewDialog();
    script.endTimerMs = 20;
    script.destroyOnClose = true;
    script.endResult = 2;
    int result = 0;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(IsWindow(d));
    EXPECT_EQ(ObjectRecordFind(d), nullptr);
    EXPECT_EQ(callbackLog.Count(WM_NCDESTROY), 1u);
}

TEST_F(Modal, EndOfUnknownHandlesDoesNothing) {
    int before = ObjectRecordCount();
    DialogEnd(nullptr, 1);
    DialogEnd(reinterpret_cast<HWND>(0x12345678), 1);
    EXPECT_EQ(ObjectRecordCount(), before);
    // A handle with no record: the callback still gets its two messages.
    int result = 4;
    DialogShowModal(reinterpret_cast<HWND>(0x12345678), Callback, &result);
    EXPECT_EQ(result, 4);
    const std::vector<ExpectedMessage> shownWithoutRecord = {
        {WM_INITDIALOG, W, 0x12345678, 0, false},
        {WM_SIZE, B, 0, 0, false},
    };
    EXPECT_MESSAGES(callbackLog, shownWithoutRecord);
}

namespace {

WNDPROC controlPrevious = nullptr;
HWND clickDialog = nullptr;

LRESULT CALLBACK EndOnClick(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_LBUTTONDOWN) DialogEnd(clickDialog, 11);
    return CallWindowProcW(controlPrevious, w, m, wp, lp);
}

}  // namespace

TEST_F(Modal, ClickThatEndsTheDialogEndsTheLoopRightAfterIt) {
    HWND d = NewDialog();
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 100, 60, GraphicControlStyle, 0, nullptr);
    HWND control = ControlHandle(d, IDC_GRAPHIC);
    clickDialog = d;
    controlPrevious =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EndOnClick)));
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 1, 0, 0);  // must stay for after the loop
    int result = 0;
    DialogShowModal(d, Callback, &result);
    EXPECT_EQ(result, 11);
    EXPECT_FALSE(IsWindow(d));
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));  // still queued
}

namespace {
MessageLog controlCallbackLog;
INT_PTR ControlCallback(HWND d, UINT m, WPARAM wp, LPARAM lp) {
    controlCallbackLog.Add(d, m, wp, lp);
    return LOWORD(wp) == 1 ? 0x55 : 0;
}
}  // namespace

TEST_F(Modal, ControlCallbacksComeFirst) {
    HWND d = NewDialog();
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 10, 10, GraphicControlStyle, 0, ControlCallback);
    HWND control = ControlHandle(d, IDC_GRAPHIC);
    ObjectRecordFind(d)->callback = Callback;
    controlCallbackLog.Clear();
    // Renumbered to 1 so that the control's callback handles it.
    SetWindowLongPtrW(control, GWLP_ID, 1);
    SetWindowLongPtrW(d, DWLP_MSGRESULT, 0);
    EXPECT_EQ(DialogDispatch(d, WM_COMMAND, MAKEWPARAM(1, 0), reinterpret_cast<LPARAM>(control)), 0x55);
    EXPECT_EQ(GetWindowLongPtrW(d, DWLP_MSGRESULT), 0x55);
    EXPECT_FALSE(callbackLog.Contains(WM_COMMAND));  // the dialog's callback was not asked
    ASSERT_EQ(controlCallbackLog.entries().size(), 1u);
    EXPECT_EQ(controlCallbackLog.entries()[0].window, d);  // called with the dialog's handle
    // Not handled by the control: the dialog's callback follows.
    SetWindowLongPtrW(control, GWLP_ID, 2);
    DialogDispatch(d, WM_COMMAND, MAKEWPARAM(2, 0), reinterpret_cast<LPARAM>(control));
    EXPECT_TRUE(callbackLog.Contains(WM_COMMAND));
    // WM_ACTIVATE and the system's WM_INITDIALOG stop in the layer.
    callbackLog.Clear();
    EXPECT_EQ(DialogDispatch(d, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_EQ(DialogDispatch(d, WM_INITDIALOG, 0, 0), FALSE);
    EXPECT_TRUE(callbackLog.entries().empty());
    DestroyWindow(d);
}

TEST_F(Modal, CallbacksMayDrawOrEndTheDialogDuringARefresh) {
    auto run = [&](int does, bool viaRedraw = false) {
        HangWatchdog watchdog(120000);  // generous: emulated Wine is slow
        script = Script{};
        script.drawItemDoes = does;
        script.viaRedraw = viaRedraw;
        HWND d = NewDialog();
        ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 100, 60, GraphicControlStyle, 0, nullptr);
        int result = 0;
        DialogShowModal(d, Callback, &result);
        GraphicDetach();
        EXPECT_FALSE(IsWindow(d));
        EXPECT_GE(script.drawItems, 1) << "the refresh did not paint";
        return result;
    };
    EXPECT_EQ(run(1, true), 7);
    EXPECT_EQ(script.canvasAfter, 0x00FF00u);  // the callback's drawing came last
    EXPECT_EQ(run(1), 7);
    EXPECT_EQ(script.canvasAfter, 0x00FF00u);
    EXPECT_EQ(script.drawItems, 2);  // and refreshed the control again
    // Counted after the same kind of run as the last one below: Wine 10
    // keeps two objects after a run ended through GraphicRedraw until the
    // next run of the other kind.
    int records = ObjectRecordCount();
    int objects = GdiObjectsLive();
    EXPECT_EQ(run(2), 12);
    HBITMAP canary[2] = {script.canary[0], script.canary[1]};
    EXPECT_EQ(run(1), 7);
    for (HBITMAP b : canary) {
        ObjectRecord* r = ObjectRecordFind(b);
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->flags & FlagChangePending) << "written through a released record";
        EXPECT_EQ(r->graphic.positionX, 5) << "written through a released record";
        GraphicAttach(b, 0, FALSE);
        GraphicBitmapEnd();
    }
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}

namespace {
// Ends the dialog from its first posted message, answering every message
// with `Answer`: 0, or "handled", as many callbacks answer everything.
template <INT_PTR Answer>
INT_PTR EndSoon(HWND d, UINT m, WPARAM, LPARAM) {
    if (m == WM_INITDIALOG) PostMessageW(d, WM_USER + 2, 0, 0);
    if (m == WM_USER + 2) DialogEnd(d, 1);
    return Answer;
}

// The viewer's dialog with its control drawn on and resized, shown and
// ended by the callback.
bool ShowViewerLikeDialog(DialogCallback callback, LONG background) {
    HWND d = DialogNew(UnitPixels, nullptr, L"", 10, 10, 302, 197, MainDialogStyle, 0);
    ModalSafety safety(d);
    ControlAddGraphic(d, IDC_GRAPHIC, L"", 0, 0, 150, 81, GraphicControlStyle, 0, nullptr);
    GraphicAttach(d, IDC_GRAPHIC, FALSE);
    GraphicSetColor(ColorDefault, background);
    GraphicClear(ColorDefault, 0);
    ControlSetSize(d, IDC_GRAPHIC, 120, 90);
    int result = 0;
    DialogShowModal(d, callback, &result);
    GraphicDetach();
    return result == 1 && !IsWindow(d);
}
}  // namespace

TEST(ModalLeaks, RecordsGoWhateverTheCallbackAnswers) {
    ASSERT_TRUE(ShowViewerLikeDialog(EndSoon<0>, 0xFFFFFF));  // classes, fonts and themes made once
    int records = ObjectRecordCount();
    int objects = GdiObjectsLive();
    EXPECT_TRUE(ShowViewerLikeDialog(EndSoon<1>, 0x123456));
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}

TEST(ModalLeaks, ThousandShownDialogsLeaveNothing) {
    ASSERT_TRUE(ShowViewerLikeDialog(EndSoon<0>, 0xFFFFFF));  // classes, fonts and themes made once
    int records = ObjectRecordCount();
    int objects = GdiObjectsLive();
    int ended = 0;
    const LONG backgrounds[] = {0xFFFFFF, ColorTransparent, ColorDefault};
    for (int i = 0; i < 1000; ++i) ended += ShowViewerLikeDialog(EndSoon<0>, backgrounds[i % 3]);
    EXPECT_EQ(ended, 1000);
    EXPECT_EQ(ObjectRecordCount(), records);
    EXPECT_EQ(GdiObjectsLive(), objects);
}
