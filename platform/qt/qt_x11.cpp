#include "platform/qt/qt_x11.h"

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>
#include <string>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#endif

namespace kivrel {

namespace {

#if QT_CONFIG(xcb)
// The atom of `name`; XCB_ATOM_NONE when the server does not know it and `onlyIfExists`.
xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name, bool onlyIfExists) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, onlyIfExists ? 1 : 0,
                                              static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}
#endif

// Watches the X11 notification area: its owner announces itself with a MANAGER message on the
// root window, and its window is destroyed when it goes away. Nothing polls.
class TrayHostWatch final : public QAbstractNativeEventFilter {
  public:
    explicit TrayHostWatch(std::function<void(bool announced)> changed)
        : changed_(std::move(changed)) {}
    ~TrayHostWatch() override {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    // False when there is no X11 connection (another platform, or offscreen).
    bool Start();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override;

  private:
#if QT_CONFIG(xcb)
    void Follow(xcb_window_t owner);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t manager_ = XCB_ATOM_NONE;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_window_t owner_ = 0;
#endif
    std::function<void(bool)> changed_;
};

#if QT_CONFIG(xcb)

void TrayHostWatch::Follow(xcb_window_t owner) {
    owner_ = owner;
    if (owner_ == 0)
        return;
    // Its DestroyNotify tells when the notification area goes away.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, owner_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
}

bool TrayHostWatch::Start() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    connection_ = x11->connection();

    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0)
        screenNumber = 0;
    std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    if (screens.data == nullptr)
        return false;
    root_ = screens.data->root;

    manager_ = InternAtom(connection_, "MANAGER", false);
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber);
    selection_ = InternAtom(connection_, selection.c_str(), false);
    if (manager_ == XCB_ATOM_NONE || selection_ == XCB_ATOM_NONE)
        return false;

    // MANAGER messages reach the clients that listen to the root window's structure; Qt does,
    // but make sure without taking away any event it listens to.
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, root_), nullptr);
    if (attributes != nullptr &&
        (attributes->your_event_mask & XCB_EVENT_MASK_STRUCTURE_NOTIFY) == 0) {
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    }
    std::free(attributes);

    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
    Follow(owner != nullptr ? owner->owner : 0);
    std::free(owner);

    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

bool TrayHostWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
        case XCB_CLIENT_MESSAGE: {
            const auto* client = static_cast<const xcb_client_message_event_t*>(message);
            if (client->window == root_ && client->type == manager_ &&
                client->data.data32[1] == selection_) {
                Follow(client->data.data32[2]);
                changed_(true);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
            if (owner_ != 0 && destroyed->window == owner_) {
                owner_ = 0;
                changed_(false);
            }
            break;
        }
        default:
            break;
    }
    return false;  // Qt's own tray code needs the same events
}

#else

bool TrayHostWatch::Start() {
    return false;
}
bool TrayHostWatch::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}

#endif

}  // namespace

std::unique_ptr<QAbstractNativeEventFilter> WatchX11TrayHost(
    std::function<void(bool announced)> changed) {
    auto watch = std::make_unique<TrayHostWatch>(std::move(changed));
    if (!watch->Start())
        return nullptr;
    return watch;
}

#if QT_CONFIG(xcb)
namespace {

// The window state _NET_WM_STATE and the two states that keep a window out of the taskbar and
// the pager.
struct SkipAtoms {
    xcb_atom_t wmState, skipTaskbar, skipPager;
};

// Unmapped: the property is ours to write, and Qt keeps atoms it does not manage when it maps the
// window.
void WriteSkipState(xcb_connection_t* connection, xcb_window_t id, const SkipAtoms& a, bool skip) {
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, a.wmState, XCB_ATOM_ATOM, 0, 1024),
        nullptr);
    if (reply != nullptr && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    std::erase(atoms, a.skipTaskbar);
    std::erase(atoms, a.skipPager);
    if (skip) {
        atoms.push_back(a.skipTaskbar);
        atoms.push_back(a.skipPager);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, a.wmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(atoms.size()), atoms.data());
}

// Mapped: the window manager owns the property; ask it.
void AskSkipState(xcb_connection_t* connection, xcb_window_t id, const SkipAtoms& a, bool skip) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    if (geometry == nullptr)
        return;
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = a.wmState;
    message.data.data32[0] = skip ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
    message.data.data32[1] = a.skipTaskbar;
    message.data.data32[2] = a.skipPager;
    message.data.data32[3] = 1;  // an ordinary application asks
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

}  // namespace
#endif

void HintSkipTaskbar(QWidget& window, bool skip, bool mapped) {
#if QT_CONFIG(xcb)
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto intern = [connection](const char* name) {
        return InternAtom(connection, name, false);
    };
    const SkipAtoms atoms{intern("_NET_WM_STATE"), intern("_NET_WM_STATE_SKIP_TASKBAR"),
                          intern("_NET_WM_STATE_SKIP_PAGER")};
    if (atoms.wmState == XCB_ATOM_NONE || atoms.skipTaskbar == XCB_ATOM_NONE ||
        atoms.skipPager == XCB_ATOM_NONE)
        return;
    if (mapped)
        AskSkipState(connection, id, atoms, skip);
    else
        WriteSkipState(connection, id, atoms, skip);
    xcb_flush(connection);
#else
    (void)window;
    (void)skip;
    (void)mapped;
#endif
}

bool PlacedByWlroots() {
#if QT_CONFIG(xcb)
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    xcb_connection_t* connection = x11->connection();
    const auto intern = [connection](const char* name) {
        return InternAtom(connection, name, true);
    };
    const xcb_atom_t check = intern("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t name = intern("_NET_WM_NAME");
    const xcb_atom_t utf8 = intern("UTF8_STRING");
    if (check == XCB_ATOM_NONE || name == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr)
        return false;
    xcb_window_t wm = XCB_WINDOW_NONE;
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, screen->root, check, XCB_ATOM_WINDOW, 0, 1),
            nullptr)) {
        if (reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
    }
    if (wm == XCB_WINDOW_NONE)
        return false;
    std::string wmName;
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, wm, name, utf8, 0, 64), nullptr)) {
        if (reply->format == 8)
            wmName.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                          static_cast<size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return wmName == "wlroots wm";
#else
    return false;
#endif
}

}  // namespace kivrel
