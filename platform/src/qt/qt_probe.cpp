// Test access to the desktop backend.
#include "qt/qt_probe.hpp"

#include "plat/msgbox.hpp"
#include "plat/window.hpp"
#include "qt/dialog_view.hpp"
#include "qt/frame_view.hpp"
#include "qt/input_box.hpp"
#include "qt/menu_bar.hpp"
#include "qt/modal_answers.hpp"
#include "qt/text_editor.hpp"
#include "qt/window_peer.hpp"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QMimeData>
#include <QtCore/QPointer>
#include <QtCore/QRegularExpression>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QKeySequence>
#include <QtPrintSupport/QPrintDialog>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <iterator>
#include <map>

// The toolkit's own road for a key press before it is delivered: the focus widget may claim it,
// else a shortcut (a menu title's letter) may take it. True when a shortcut took it.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods, const QString& text,
                                               bool autorep, ushort count);

namespace plat::qtprobe {
namespace {

using plat::qt::WindowPeer;

std::vector<Shown>& Log() {
    static std::vector<Shown> log;
    return log;
}

Shown& LastRecord() {
    if (Log().empty())
        Log().emplace_back();
    return Log().back();
}

WindowPeer& Peer(TWindow& window) {
    return *WindowPeer::Of(&window);
}

void Record(QDialog& d, std::string text) {
    Shown& s = Log().emplace_back();
    s.caption = d.windowTitle().toStdString();
    s.text = std::move(text);
    s.hadOwner = d.parentWidget() != nullptr;
}

// Characters a key types, as a keyboard would deliver them with the event.
QString TypedText(QKeyCombination kc) {
    const int key = kc.key();
    const bool shift = kc.keyboardModifiers() & Qt::ShiftModifier;
    const bool ctrl = kc.keyboardModifiers() & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    case Qt::Key_Escape:
        return QString(QChar(0x1B));
    case Qt::Key_Backspace:
        return QString(QChar(0x08));
    default:
        break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (ctrl)
            return QString(QChar(key - Qt::Key_A + 1));
        return QString(QChar(shift ? key : key + 32));
    }
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return QString(QChar(key));
    return {};
}

QKeyCombination Combination(const std::string& key) {
    const QKeySequence seq(QString::fromStdString(key));
    return seq.isEmpty() ? QKeyCombination() : seq[0];
}

// Presses the box's button for IDOK, IDCANCEL, IDYES or IDNO; a box without it is closed.
void ClickBoxButton(QMessageBox& box, int buttonId) {
    const QMessageBox::StandardButton which = buttonId == IDYES      ? QMessageBox::Yes
                                              : buttonId == IDNO     ? QMessageBox::No
                                              : buttonId == IDCANCEL ? QMessageBox::Cancel
                                                                     : QMessageBox::Ok;
    if (QAbstractButton* b = box.button(which))
        b->click();
    else
        box.reject();
}

// The modal window as the kind the answer was written for; any other kind is logged and closed,
// so a test sees what came instead of hanging on it.
template <class T> T* Expect(QDialog& d, const char* what) {
    if (auto* t = qobject_cast<T*>(&d))
        return t;
    Record(d, std::string("<expected ") + what + ">");
    d.reject();
    return nullptr;
}

QAbstractButton* StandardButton(QDialog& d, QDialogButtonBox::StandardButton which) {
    auto* buttons = d.findChild<QDialogButtonBox*>();
    return buttons ? buttons->button(which) : nullptr;
}

} // namespace

namespace {

plat::Surface ToSurface(const QImage& grabbed) {
    const QImage image = grabbed.convertToFormat(QImage::Format_RGB32);
    plat::Surface out(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::uint32_t* dst = out.Row(y);
        for (int x = 0; x < image.width(); ++x)
            dst[x] = row[x] & 0x00FFFFFFu;
    }
    return out;
}

} // namespace

plat::Surface GrabClient(TWindow& window) {
    return ToSurface(Peer(window).client().grab().toImage());
}

int ClientPaints(TWindow& window) {
    return Peer(window).client().paintCount();
}

void ResizeClient(TWindow& window, int width, int height) {
    WindowPeer& peer = Peer(window);
    const QSize client = peer.client().size();
    const QSize frame = peer.frame().size();
    peer.frame().resize(frame.width() + width - client.width(),
                        frame.height() + height - client.height());
}

std::string Caption(TWindow& window) {
    return Peer(window).frame().windowTitle().toStdString();
}

std::string CursorName(TWindow& window) {
    switch (Peer(window).client().cursor().shape()) {
    case Qt::ArrowCursor:
        return "arrow";
    case Qt::WaitCursor:
        return "wait";
    case Qt::CrossCursor:
        return "cross";
    case Qt::SizeHorCursor:
        return "sizewe";
    default:
        return "other";
    }
}

MenuEntry MenuEntryOf(TWindow& window, int id) {
    MenuEntry e;
    plat::qt::MenuBarMirror* menu = Peer(window).menu();
    QAction* a = menu ? menu->Action(id) : nullptr;
    if (!a)
        return e;
    e.present = true;
    e.checked = a->isChecked();
    e.enabled = a->isEnabled();
    e.text = a->text().toStdString();
    return e;
}

std::vector<std::string> MenuBarTitles(TWindow& window) {
    std::vector<std::string> titles;
    for (QAction* a : Peer(window).frame().menuBar()->actions())
        titles.push_back(a->text().toStdString());
    return titles;
}

void ChooseMenuItem(TWindow& window, int id) {
    if (plat::qt::MenuBarMirror* menu = Peer(window).menu())
        if (QAction* a = menu->Action(id))
            a->trigger();
}

void PressF1OnMenuItem(TWindow& window, int id) {
    plat::qt::MenuBarMirror* menu = Peer(window).menu();
    QMenu* popup = menu ? menu->PopupOf(id) : nullptr;
    if (!popup)
        return;
    popup->popup(Peer(window).frame().mapToGlobal(QPoint(10, 10)));
    popup->setActiveAction(menu->Action(id));
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(popup, &f1);
}

bool AnyPopupOpen(TWindow& window) {
    for (QMenu* m : Peer(window).frame().menuBar()->findChildren<QMenu*>())
        if (m->isVisible())
            return true;
    return false;
}

void SendKey(TWindow& window, const std::string& key, bool down) {
    const QKeyCombination kc = Combination(key);
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, kc.key(), kc.keyboardModifiers(),
                down ? TypedText(kc) : QString());
    QCoreApplication::sendEvent(&Peer(window).client(), &e);
}

namespace {

// One key event as the desktop delivers it: to the open menu, else to the widget that holds the
// window's keyboard, a press offered to the shortcuts first. `held` is the modifiers down before
// the event, as the desktop reports them; the event reads them as they are after a modifier key.
void Deliver(WindowPeer& peer, Qt::Key key, Qt::KeyboardModifiers held, const QString& text,
             bool down) {
    QWidget* target = QApplication::activePopupWidget();
    if (!target)
        target = peer.frame().focusWidget();
    if (!target)
        target = &peer.client();
    if (down && qt_sendShortcutOverrideEvent(target, 0, key, held, text, false, 1))
        return;
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, held, text);
    QCoreApplication::sendEvent(target, &e);
}

} // namespace

void SendKeyToFocus(TWindow& window, const std::string& key, bool down) {
    const QKeyCombination kc = Combination(key);
    // Alt alone is held before its release, not before its press.
    const Qt::KeyboardModifiers held = kc.key() == Qt::Key_Alt
                                           ? (down ? Qt::NoModifier : Qt::AltModifier)
                                           : kc.keyboardModifiers();
    Deliver(Peer(window), kc.key(), held, down ? TypedText(kc) : QString(), down);
}

void TypeKey(TWindow& window, const std::string& key) {
    const QKeyCombination kc = Combination(key);
    struct Modifier {
        Qt::KeyboardModifier flag;
        Qt::Key key;
    };
    const Modifier modifiers[] = {{Qt::ControlModifier, Qt::Key_Control},
                                  {Qt::ShiftModifier, Qt::Key_Shift},
                                  {Qt::AltModifier, Qt::Key_Alt}};
    WindowPeer& peer = Peer(window);
    Qt::KeyboardModifiers held;
    for (const Modifier& m : modifiers) {
        if ((kc.keyboardModifiers() & m.flag) && kc.key() != m.key) {
            Deliver(peer, m.key, held, QString(), true);
            held |= m.flag;
        }
    }
    SendKeyToFocus(window, key, true);
    SendKeyToFocus(window, key, false);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) {
        if (held & m->flag) {
            Deliver(peer, m->key, held, QString(), false);
            held &= ~m->flag;
        }
    }
}

void OpenMenuOfTitle(TWindow& window, int title) {
    QMenuBar* bar = Peer(window).frame().menuBar();
    if (title >= 0 && title < bar->actions().size())
        bar->setActiveAction(bar->actions()[title]);
}

std::string OpenMenuTitle(TWindow& window) {
    for (QMenu* m : Peer(window).frame().menuBar()->findChildren<QMenu*>())
        if (m->isVisible())
            return m->title().toStdString();
    return {};
}

bool MenuTitleShownCurrent(TWindow& window, int title) {
    QMenuBar* bar = Peer(window).frame().menuBar();
    if (title < 0 || title >= bar->actions().size())
        return false;
    const QRect r = bar->actionGeometry(bar->actions()[title]);
    const QImage shot = bar->grab(r).toImage();
    const QRgb highlight = bar->palette().color(QPalette::Highlight).rgb();
    int marked = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            marked += (shot.pixel(x, y) & 0xFFFFFF) == (highlight & 0xFFFFFF);
    return marked * 4 >= shot.width() * shot.height();
}

bool ClientHoldsKeyboard(TWindow& window) {
    WindowPeer& peer = Peer(window);
    return peer.frame().focusWidget() == &peer.client();
}

bool SendShortcutOverride(TWindow& window, const std::string& key) {
    const QKeyCombination kc = Combination(key);
    QKeyEvent e(QEvent::ShortcutOverride, kc.key(), kc.keyboardModifiers(), TypedText(kc));
    e.ignore();
    QCoreApplication::sendEvent(&Peer(window).client(), &e);
    return e.isAccepted();
}

void SendMouse(TWindow& window, MouseAction action, int x, int y, int button, unsigned mk) {
    const Qt::MouseButton b = button == 2   ? Qt::RightButton
                              : button == 3 ? Qt::MiddleButton
                                            : Qt::LeftButton;
    Qt::KeyboardModifiers mods;
    if (mk & MK_SHIFT)
        mods |= Qt::ShiftModifier;
    if (mk & MK_CONTROL)
        mods |= Qt::ControlModifier;
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton changed = Qt::NoButton;
    Qt::MouseButtons held;
    switch (action) {
    case MouseAction::Press:
        type = QEvent::MouseButtonPress, changed = b, held = b;
        break;
    case MouseAction::Release:
        type = QEvent::MouseButtonRelease, changed = b;
        break;
    case MouseAction::DoubleClick:
        type = QEvent::MouseButtonDblClick, changed = b, held = b;
        break;
    case MouseAction::Move:
        break;
    }
    QWidget& client = Peer(window).client();
    const QPointF local(x, y);
    QMouseEvent e(type, local, client.mapToGlobal(local), changed, held, mods);
    QCoreApplication::sendEvent(&client, &e);
}

bool SendDrop(TWindow& window, const std::vector<std::string>& paths, int x, int y) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& p : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(p));
    mime.setUrls(urls);
    // A drag enters before it drops; the drop reaches only a client that took the drag.
    QDragEnterEvent enter(QPoint(x, y), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QCoreApplication::sendEvent(&Peer(window).client(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(x, y), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Peer(window).client(), &drop);
    return true;
}

void PressCloseBox(TWindow& window) {
    Peer(window).frame().close();
}

void AnswerBox(int buttonId) {
    plat::qt::ScheduleModalScript([buttonId](QDialog& d) {
        auto* box = Expect<QMessageBox>(d, "a message box");
        if (!box)
            return;
        Record(d, box->text().toStdString());
        ClickBoxButton(*box, buttonId);
    });
}

namespace {

// Polls until the window has been repainted by the modal loop, then presses the button.
void ClickWhenPainted(QPointer<QMessageBox> box, TWindow* window, int buttonId, int rounds) {
    if (!box)
        return;
    if (window->IsInvalid() && rounds > 0) {
        QTimer::singleShot(0, box, [=] { ClickWhenPainted(box, window, buttonId, rounds - 1); });
        return;
    }
    ClickBoxButton(*box, buttonId);
}

} // namespace

void AnswerBoxAfterRepaint(TWindow& window, int buttonId) {
    TWindow* target = &window;
    plat::qt::ScheduleModalScript([target, buttonId](QDialog& d) {
        auto* box = Expect<QMessageBox>(d, "a message box");
        if (!box)
            return;
        Record(d, box->text().toStdString());
        target->Invalidate(true);
        ClickWhenPainted(box, target, buttonId, 10000);
    });
}

void AnswerInput(const std::string& typed, bool ok) {
    plat::qt::ScheduleModalScript([typed, ok](QDialog& d) {
        auto* input = Expect<plat::qt::InputBox>(d, "an input box");
        if (!input)
            return;
        Record(d, input->findChild<QLabel*>() ? input->findChild<QLabel*>()->text().toStdString()
                                              : std::string());
        input->edit().clear();
        input->edit().insert(QString::fromStdString(typed)); // as typing: the length limit holds
        if (QAbstractButton* b =
                StandardButton(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel))
            b->click();
    });
}

void AnswerDialog(std::vector<std::pair<int, std::string>> edits,
                  std::vector<std::pair<int, bool>> checks, int buttonId) {
    plat::qt::ScheduleModalScript([edits, checks, buttonId](QDialog& d) {
        auto* view = Expect<plat::qt::DialogView>(d, "a template dialog");
        if (!view)
            return;
        Record(d, {});
        for (const auto& [id, text] : edits)
            if (auto* e = qobject_cast<QLineEdit*>(view->Control(id))) {
                e->clear();
                e->insert(QString::fromStdString(text));
                LastRecord().dialogEditLimits.push_back(std::to_string(id) + ":" +
                                                        std::to_string(e->maxLength()));
            }
        for (const auto& [id, on] : checks)
            if (auto* b = qobject_cast<QAbstractButton*>(view->Control(id)))
                b->setChecked(on);
        if (auto* b = qobject_cast<QAbstractButton*>(view->Control(buttonId)))
            b->click();
        else if (buttonId == IDOK)
            view->accept();
        else
            view->reject();
    });
}

void LookAtDialogThenPress(DialogLook& look, const std::string& key) {
    DialogLook* out = &look;
    plat::qt::ScheduleModalScript([out, key](QDialog& d) {
        auto* view = Expect<plat::qt::DialogView>(d, "a template dialog");
        if (!view)
            return;
        Record(d, {});
        out->picture = ToSurface(d.grab().toImage());
        out->tabOrder.clear();
        std::map<const QWidget*, int> ids;
        for (const auto& [id, w] : view->Controls())
            ids[w] = id;
        // Walk the focus chain from the first control that takes Tab, once around.
        QWidget* first = nullptr;
        for (QWidget* w = view->nextInFocusChain(); w && w != view; w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && ids.count(w)) {
                if (!first)
                    first = w;
                out->tabOrder.push_back(ids[w]);
            }
        QWidget* target = view->focusWidget() ? view->focusWidget() : (first ? first : view);
        const QKeyCombination kc = Combination(key);
        QKeyEvent press(QEvent::KeyPress, kc.key(), kc.keyboardModifiers(), TypedText(kc));
        QCoreApplication::sendEvent(target, &press);
    });
}

void AnswerFiles(const std::string& folder, std::vector<std::string> names, bool ok) {
    plat::qt::ScheduleModalScript([folder, names, ok](QDialog& d) {
        auto* dlg = Expect<QFileDialog>(d, "a file dialog");
        if (!dlg)
            return;
        Record(d, {});
        if (!ok) {
            dlg->reject();
            return;
        }
        dlg->setDirectory(QString::fromStdString(folder));
        QStringList quoted;
        for (const std::string& n : names)
            quoted << "\"" + QString::fromStdString(n) + "\"";
        dlg->selectFile(names.size() == 1 ? QString::fromStdString(names[0]) : quoted.join(' '));
        // The dialog's own Open button, as the user would press it.
        QMetaObject::invokeMethod(dlg, "accept");
    });
}

void AnswerEditor(const std::string& text) {
    plat::qt::ScheduleModalScript([text](QDialog& d) {
        auto* editor = Expect<plat::qt::TextEditor>(d, "the text editor");
        if (!editor)
            return;
        Record(d, editor->edit().toPlainText().toStdString());
        editor->edit().setPlainText(QString::fromStdString(text));
        editor->close();
    });
}

void AnswerPrintToFile(const std::string& path, bool ok) {
    plat::qt::ScheduleModalScript([path, ok](QDialog& d) {
        auto* dlg = Expect<QPrintDialog>(d, "the print dialog");
        if (!dlg)
            return;
        Record(d, {});
        if (!ok) {
            dlg->reject();
            return;
        }
        // As the user would: pick the PDF entry of the printer list and type the file name.
        if (auto* printers = dlg->findChild<QComboBox*>("printers")) {
            const int pdf = printers->findText("PDF", Qt::MatchContains);
            printers->setCurrentIndex(pdf >= 0 ? pdf : printers->count() - 1);
        }
        if (auto* file = dlg->findChild<QLineEdit*>("filename"))
            file->setText(QString::fromStdString(path));
        QMetaObject::invokeMethod(dlg, "accept");
    });
}

namespace {

// The value of the key `/name` inside an object's dictionary text, or -1.
int DictionaryInt(const QByteArray& dict, const char* name) {
    const QRegularExpression re(QStringLiteral("/%1\\s+(\\d+)").arg(QLatin1String(name)));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(dict));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

bool ReadPrintedPdf(const std::string& path, int& pages, plat::Surface& firstImage) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = file.readAll();
    pages = int(QString::fromLatin1(pdf).count(QRegularExpression("/Type\\s*/Page[^s]")));
    const qsizetype at = pdf.indexOf("/Subtype /Image");
    if (at < 0)
        return false;
    const qsizetype open = pdf.lastIndexOf("<<", at), streamAt = pdf.indexOf("stream", at);
    if (open < 0 || streamAt < 0)
        return false;
    const QByteArray dict = pdf.mid(open, streamAt - open);
    const int width = DictionaryInt(dict, "Width"), height = DictionaryInt(dict, "Height");
    const int channels = dict.contains("/DeviceGray") ? 1 : dict.contains("/DeviceRGB") ? 3 : 0;
    if (width <= 0 || height <= 0 || channels == 0 || DictionaryInt(dict, "BitsPerComponent") != 8)
        return false;
    qsizetype data = streamAt + 6;
    while (data < pdf.size() && (pdf[data] == '\r' || pdf[data] == '\n'))
        ++data;
    // The length may be an indirect object: the data end where the stream ends.
    qsizetype end = pdf.indexOf("endstream", data);
    if (end < 0)
        return false;
    while (end > data && (pdf[end - 1] == '\n' || pdf[end - 1] == '\r'))
        --end;
    QByteArray bytes = pdf.mid(data, end - data);
    const qsizetype expected = qsizetype(width) * height * channels;
    if (dict.contains("/FlateDecode")) {
        // The toolkit's inflater wants the expected length first, big-endian.
        QByteArray sized(4, 0);
        sized[0] = char((expected >> 24) & 0xff);
        sized[1] = char((expected >> 16) & 0xff);
        sized[2] = char((expected >> 8) & 0xff);
        sized[3] = char(expected & 0xff);
        bytes = qUncompress(sized + bytes);
    }
    if (bytes.size() != expected)
        return false;
    firstImage = plat::Surface(width, height);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += channels)
            firstImage.SetPixel(x, y,
                                channels == 3 ? RGB(p[0], p[1], p[2]) : RGB(p[0], p[0], p[0]));
    return true;
}

bool AnswersPending() {
    return plat::qt::ModalScriptsPending();
}

const std::vector<Shown>& ShownLog() {
    return Log();
}
void ClearShownLog() {
    Log().clear();
}

std::vector<std::string> ClipboardFormats() {
    std::vector<std::string> out;
    if (const QMimeData* m = QGuiApplication::clipboard()->mimeData())
        for (const QString& f : m->formats())
            out.push_back(f.toStdString());
    return out;
}

std::string ClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

std::string ClipboardBytes(const std::string& format) {
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    if (!m)
        return {};
    const QByteArray b = m->data(QString::fromStdString(format));
    return std::string(b.constData(), std::size_t(b.size()));
}

TSize ClipboardImageSize() {
    const QImage image = QGuiApplication::clipboard()->image();
    return TSize{image.width(), image.height()};
}

void ProcessEvents() {
    QCoreApplication::processEvents();
}

void CallFromTimerSlot(int milliseconds, std::function<void()> f) {
    QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(f));
}

long SumOfToolkitCopy(const char* data, int size) {
    const QByteArray copy(data, size);
    long sum = 0;
    for (const char c : copy)
        sum += c;
    return sum;
}

} // namespace plat::qtprobe
