// A stand-in for the Shell's list of its windows, registered in the test
// prefix as the in-process server of CLSID_ShellWindows (Wine's own list
// cannot be read). It serves real top-level windows that the test makes
// with StandInOpen in its own process: each window's title is
// "<serial>|<folder of tab 1>|<folder of tab 2>...", a folder "*drives"
// being the virtual "This PC". The list gives one item per tab in the
// order the windows were made; an item's folder is asked of its window
// with WM_GETTEXT when it is wanted, so a window whose thread hangs
// (StandInHang) holds the caller there, as a hung file manager would.
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <servprov.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <algorithm>

namespace {

const char kClass[] = "BrivaneStandInExplorer";
const CLSID kShellWindows = { 0x9BA05972, 0xF6A8, 0x11CF, { 0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39 } };
const IID kIShellWindows = { 0x85CB6900, 0x4D95, 0x11CF, { 0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85 } };
const IID kIServiceProvider = { 0x6D5140C1, 0x7436, 0x11CE, { 0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA } };
const GUID kSTopLevelBrowser = { 0x4C96BE40, 0x915C, 0x11CF, { 0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37 } };
const IID kIShellBrowser = { 0x000214E2, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIShellView = { 0x000214E3, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIOleWindow = { 0x00000114, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIFolderView = { 0xCDE725B0, 0xCCC9, 0x4519, { 0x91, 0x7E, 0x32, 0x5D, 0x72, 0xFA, 0xB4, 0xCE } };
const IID kIPersistFolder2 = { 0x1AC3D9F0, 0x175C, 0x11D1, { 0x95, 0xBE, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x4F } };
const IID kIPersistFolder = { 0x000214EA, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIPersist = { 0x0000010C, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIUnknown = { 0x00000000, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIDispatch = { 0x00020400, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIClassFactory = { 0x00000001, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };

LONG g_objects;
HANDLE g_release;   // set: hung windows answer again
LONG g_serial;

std::vector<std::string> Split(const std::string &s)
{
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t bar; (bar = s.find('|', at)) != std::string::npos; at = bar + 1)
        out.push_back(s.substr(at, bar - at));
    out.push_back(s.substr(at));
    return out;
}

// The stand-in's windows in the order they were made, each with its tabs.
struct Listed { long serial; HWND window; int tabs; };

BOOL CALLBACK AddWindow(HWND w, LPARAM lp)
{
    char cls[64] = "", title[4096] = "";
    GetClassNameA(w, cls, sizeof(cls));
    if (strcmp(cls, kClass) != 0)
        return TRUE;
    // Another process's title is read from the system's copy: no message.
    GetWindowTextA(w, title, sizeof(title));
    std::vector<std::string> parts = Split(title);
    if (parts.size() >= 2)
        ((std::vector<Listed> *)lp)->push_back({ atol(parts[0].c_str()), w, (int)parts.size() - 1 });
    return TRUE;
}

std::vector<Listed> ListWindows()
{
    std::vector<Listed> all;
    EnumWindows(AddWindow, (LPARAM)&all);
    std::sort(all.begin(), all.end(), [](const Listed &a, const Listed &b) { return a.serial < b.serial; });
    return all;
}

// One tab of one window: the list's item, its browser, its view and the
// view's folder all at once.
struct Tab : IDispatch, IServiceProvider, IShellBrowser, IShellView, IFolderView, IPersistFolder2 {
    LONG refs = 1;
    HWND window;
    int tab;
    Tab(HWND w, int t) : window(w), tab(t) { InterlockedIncrement(&g_objects); }
    virtual ~Tab() { InterlockedDecrement(&g_objects); }

    STDMETHODIMP QueryInterface(REFIID riid, void **out) override
    {
        *out = NULL;
        if (IsEqualIID(riid, kIUnknown) || IsEqualIID(riid, kIDispatch))
            *out = static_cast<IDispatch *>(this);
        else if (IsEqualIID(riid, kIServiceProvider))
            *out = static_cast<IServiceProvider *>(this);
        else if (IsEqualIID(riid, kIShellBrowser) || IsEqualIID(riid, kIOleWindow))
            *out = static_cast<IShellBrowser *>(this);
        else if (IsEqualIID(riid, kIShellView))
            *out = static_cast<IShellView *>(this);
        else if (IsEqualIID(riid, kIFolderView))
            *out = static_cast<IFolderView *>(this);
        else if (IsEqualIID(riid, kIPersistFolder2) || IsEqualIID(riid, kIPersistFolder) || IsEqualIID(riid, kIPersist))
            *out = static_cast<IPersistFolder2 *>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&refs);
        if (!n)
            delete this;
        return n;
    }
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }
    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void **out) override
    {
        *out = NULL;
        return IsEqualGUID(service, kSTopLevelBrowser) ? QueryInterface(riid, out) : E_NOINTERFACE;
    }
    // IOleWindow, for the browser and the view alike
    STDMETHODIMP GetWindow(HWND *out) override
    {
        *out = window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    // IShellBrowser
    STDMETHODIMP InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModelessSB(WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAcceleratorSB(MSG *, WORD) override { return E_NOTIMPL; }
    STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStateStream(DWORD, IStream **) override { return E_NOTIMPL; }
    STDMETHODIMP GetControlWindow(UINT, HWND *) override { return E_NOTIMPL; }
    STDMETHODIMP SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT *) override { return E_NOTIMPL; }
    STDMETHODIMP QueryActiveShellView(IShellView **out) override
    {
        *out = static_cast<IShellView *>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP OnViewWindowActive(IShellView *) override { return E_NOTIMPL; }
    STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }
    // IShellView
    STDMETHODIMP TranslateAccelerator(MSG *) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModeless(WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP UIActivate(UINT) override { return E_NOTIMPL; }
    STDMETHODIMP Refresh() override { return E_NOTIMPL; }
    STDMETHODIMP CreateViewWindow(IShellView *, LPCFOLDERSETTINGS, IShellBrowser *, RECT *, HWND *) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP DestroyViewWindow() override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentInfo(LPFOLDERSETTINGS) override { return E_NOTIMPL; }
    STDMETHODIMP AddPropertySheetPages(DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }
    STDMETHODIMP SaveViewState() override { return E_NOTIMPL; }
    STDMETHODIMP SelectItem(PCUITEMID_CHILD, SVSIF) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemObject(UINT, REFIID, void **) override { return E_NOTIMPL; }
    // IFolderView
    STDMETHODIMP GetCurrentViewMode(UINT *) override { return E_NOTIMPL; }
    STDMETHODIMP SetCurrentViewMode(UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetFolder(REFIID riid, void **out) override { return QueryInterface(riid, out); }
    STDMETHODIMP Item(int, PITEMID_CHILD *) override { return E_NOTIMPL; }
    STDMETHODIMP ItemCount(UINT, int *) override { return E_NOTIMPL; }
    STDMETHODIMP Items(UINT, REFIID, void **) override { return E_NOTIMPL; }
    STDMETHODIMP GetSelectionMarkedItem(int *) override { return E_NOTIMPL; }
    STDMETHODIMP GetFocusedItem(int *) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemPosition(PCUITEMID_CHILD, POINT *) override { return E_NOTIMPL; }
    STDMETHODIMP GetSpacing(POINT *) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultSpacing(POINT *) override { return E_NOTIMPL; }
    STDMETHODIMP GetAutoArrange() override { return E_NOTIMPL; }
    STDMETHODIMP SelectItem(int, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SelectAndPositionItems(UINT, PCUITEMID_CHILD_ARRAY, POINT *, DWORD) override { return E_NOTIMPL; }
    // IPersistFolder2
    STDMETHODIMP GetClassID(CLSID *) override { return E_NOTIMPL; }
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurFolder(PIDLIST_ABSOLUTE *out) override
    {
        *out = NULL;
        // Asked of the window itself: a hung window holds the caller here.
        char title[4096] = "";
        if (!SendMessageA(window, WM_GETTEXT, sizeof(title), (LPARAM)title))
            return E_FAIL;
        std::vector<std::string> parts = Split(title);
        if (tab + 1 >= (int)parts.size())
            return E_FAIL;
        const std::string &folder = parts[tab + 1];
        if (folder == "*drives")
            return SHGetSpecialFolderLocation(NULL, CSIDL_DRIVES, out);
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
        return SHParseDisplayName(wide, NULL, out, 0, NULL);
    }
};

// The list as it stood when it was counted, as the file manager keeps it:
// a snapshot that Item reads.
struct Windows : IShellWindows {
    LONG refs = 1;
    std::vector<Listed> listed;
    Windows() { InterlockedIncrement(&g_objects); }
    virtual ~Windows() { InterlockedDecrement(&g_objects); }
    STDMETHODIMP QueryInterface(REFIID riid, void **out) override
    {
        *out = NULL;
        if (!IsEqualIID(riid, kIUnknown) && !IsEqualIID(riid, kIDispatch) && !IsEqualIID(riid, kIShellWindows))
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&refs);
        if (!n)
            delete this;
        return n;
    }
    STDMETHODIMP GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP get_Count(LONG *count) override
    {
        *count = 0;
        listed = ListWindows();
        for (const Listed &l : listed)
            *count += l.tabs;
        return S_OK;
    }
    STDMETHODIMP Item(VARIANT index, IDispatch **out) override
    {
        *out = NULL;
        if (index.vt != VT_I4)
            return E_INVALIDARG;
        LONG i = index.lVal;
        for (const Listed &l : listed) {
            if (i < l.tabs) {
                *out = static_cast<IDispatch *>(new Tab(l.window, (int)i));
                return S_OK;
            }
            i -= l.tabs;
        }
        return S_FALSE;
    }
    STDMETHODIMP _NewEnum(IUnknown **) override { return E_NOTIMPL; }
    STDMETHODIMP Register(IDispatch *, LONG, int, LONG *) override { return E_NOTIMPL; }
    STDMETHODIMP RegisterPending(LONG, VARIANT *, VARIANT *, int, LONG *) override { return E_NOTIMPL; }
    STDMETHODIMP Revoke(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP OnNavigate(LONG, VARIANT *) override { return E_NOTIMPL; }
    STDMETHODIMP OnActivated(LONG, VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP FindWindowSW(VARIANT *, VARIANT *, int, LONG *, int, IDispatch **) override { return E_NOTIMPL; }
    STDMETHODIMP OnCreated(LONG, IUnknown *) override { return E_NOTIMPL; }
    STDMETHODIMP ProcessAttachDetach(VARIANT_BOOL) override { return E_NOTIMPL; }
};

struct Factory : IClassFactory {
    STDMETHODIMP QueryInterface(REFIID riid, void **out) override
    {
        *out = IsEqualIID(riid, kIUnknown) || IsEqualIID(riid, kIClassFactory) ? this : NULL;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **out) override
    {
        *out = NULL;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Windows *w = new Windows;
        HRESULT hr = w->QueryInterface(riid, out);
        w->Release();
        return hr;
    }
    STDMETHODIMP LockServer(WINBOOL) override { return S_OK; }
} g_factory;

// --- the windows, in the test's process -----------------------------------

// Hung windows, by handle: their thread waits in WM_GETTEXT until released.
HWND g_hung[16];

LRESULT CALLBACK StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETTEXT && InSendMessage()) {
        for (HWND h : g_hung)
            if (h == hwnd) {
                WaitForSingleObject(g_release, 20000);
                break;
            }
    }
    if (msg == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct OpenRequest { std::string title; HWND window; HANDLE ready; };

DWORD WINAPI WindowThread(void *p)
{
    OpenRequest *r = (OpenRequest *)p;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleA("shellwindows_standin.dll");
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    r->window = CreateWindowA(kClass, r->title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200, NULL,
                              NULL, wc.hInstance, NULL);
    SetEvent(r->ready);
    if (!r->window)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

} // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void **out)
{
    *out = NULL;
    if (!IsEqualCLSID(clsid, kShellWindows))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow()
{
    return g_objects ? S_FALSE : S_OK;
}

// A window of its own thread showing the folders of its tabs, joined by
// '|' ("*drives" for This PC); the last one made is on top.
__declspec(dllexport) HWND WINAPI StandInOpen(const char *tabs)
{
    if (!g_release)
        g_release = CreateEventA(NULL, TRUE, TRUE, NULL);
    OpenRequest r;
    r.title = std::to_string(InterlockedIncrement(&g_serial)) + "|" + tabs;
    r.window = NULL;
    r.ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE thread = CreateThread(NULL, 0, WindowThread, &r, 0, NULL);
    WaitForSingleObject(r.ready, 10000);
    CloseHandle(r.ready);
    if (thread)
        CloseHandle(thread);
    return r.window;
}

// The window now shows other folders (a navigation).
__declspec(dllexport) void WINAPI StandInNavigate(HWND window, const char *tabs)
{
    char title[4096] = "";
    GetWindowTextA(window, title, sizeof(title));
    std::string serial = title;
    serial = serial.substr(0, serial.find('|'));
    SetWindowTextA(window, (serial + "|" + tabs).c_str());
}

// hung: the window's thread stops answering questions from other
// programs; not hung: every hung window answers again.
__declspec(dllexport) void WINAPI StandInHang(HWND window, BOOL hung)
{
    if (hung) {
        ResetEvent(g_release);
        for (HWND &h : g_hung)
            if (!h) {
                h = window;
                break;
            }
    } else {
        for (HWND &h : g_hung)
            h = NULL;
        SetEvent(g_release);
    }
}

// Closes the window; its thread ends with it.
__declspec(dllexport) void WINAPI StandInClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

}
