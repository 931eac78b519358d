#include "compose/cgouseidlg.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>

#include "compose/compositefile.h"
#include "core/nativepath.h"
#include "core/userprompts.h"
#include "resources/commandtable.h"
#include "resources/viewerpictures.h"

namespace Duovue
{

namespace
{

bool arrowOf(int key, Arrow &arrow)
{
    switch (key) {
    case Qt::Key_Left:
        arrow = Arrow::Left;
        return true;
    case Qt::Key_Up:
        arrow = Arrow::Up;
        return true;
    case Qt::Key_Right:
        arrow = Arrow::Right;
        return true;
    case Qt::Key_Down:
        arrow = Arrow::Down;
        return true;
    default:
        return false;
    }
}

QString fileNameOf(const ImageInfo &info)
{
    return NativePath::display(info.path.mid(info.path.lastIndexOf(u'/') + 1));
}

} // namespace

CGouseiDlg::CGouseiDlg(const QImage &left,
    const ImageInfo &leftInfo,
    const QImage &right,
    const ImageInfo &rightInfo,
    const SettingsStore &settings,
    UserPrompts &prompts,
    QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_leftInfo(leftInfo)
    , m_rightInfo(rightInfo)
    , m_options(CompositeOptions::read(settings))
    , m_state(left.size(), right.size(), m_options)
    , m_compositor(left, right, m_state.compositeSize())
{
    // A fixed size: no minimise or maximise box, only the caption and the close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // The hands of the viewer panes: the same gesture moves a picture in both windows.
    setCursor(ViewerPictures::openHandCursor());
    setSizeGripEnabled(false);
    setFixedSize(m_state.compositeSize());
    setAccessibleName(QStringLiteral("合成画像"));
    buildMenu();
    stateChanged();
}

CGouseiDlg::~CGouseiDlg() = default;

void CGouseiDlg::open(const QImage &left,
    const ImageInfo &leftInfo,
    const QImage &right,
    const ImageInfo &rightInfo,
    const SettingsStore &settings,
    UserPrompts &prompts,
    QString &saveFolder,
    QWidget *parent,
    const std::function<void(CGouseiDlg &)> &connectPairTools)
{
    if (left.isNull() || right.isNull())
        return;
    if (left.width() < CompositeState::MinimumLeftWidth) {
        prompts.error(QStringLiteral("画像が小さ過ぎます"), Captions::error());
        return;
    }
    CGouseiDlg dialog(left, leftInfo, right, rightInfo, settings, prompts, parent);
    dialog.setSaveFolder(saveFolder);
    if (connectPairTools)
        connectPairTools(dialog);
    dialog.exec();
    saveFolder = dialog.saveFolder();
}

const QImage &CGouseiDlg::composite()
{
    if (m_compositeStale) {
        m_compositor.compose(m_state);
        m_compositeStale = false;
    }
    return m_compositor.composite();
}

void CGouseiDlg::buildMenu()
{
    m_menu = new QMenu(this);
    auto add = [this](QMenu *menu, int id, QActionGroup *group = nullptr) {
        QAction *a = menu->addAction(Commands::caption(id));
        m_actions.insert(id, a);
        if (group) {
            a->setCheckable(true);
            group->addAction(a);
        }
        return a;
    };

    // The method items show their pictures; the picture of the method in force is drawn pressed.
    QMenu *methods = m_menu->addMenu(QStringLiteral("合成方法(&T)"));
    auto *methodGroup = new QActionGroup(this);
    for (int id : {IdMethodRows, IdMethodColumns, IdMethodDots}) {
        const auto method = static_cast<CompositeMethod>(id - IdMethodRows);
        QAction *a = add(methods, id, methodGroup);
        a->setIcon(ViewerPictures::menuPicture(id));
        connect(a, &QAction::triggered, this, [this, method] {
            if (m_state.setMethod(method))
                stateChanged();
        });
    }

    QMenu *aspects = m_menu->addMenu(QStringLiteral("右画像の縦横比(&P)"));
    auto *aspectGroup = new QActionGroup(this);
    for (int id : {IdAspectFree, IdAspectOriginal}) {
        const auto aspect = id == IdAspectFree ? RightAspect::Free : RightAspect::Original;
        connect(add(aspects, id, aspectGroup), &QAction::triggered, this, [this, aspect] {
            if (m_state.setAspect(aspect))
                stateChanged();
        });
    }

    QMenu *ratios = m_menu->addMenu(QStringLiteral("合成比率(&M)"));
    auto *ratioGroup = new QActionGroup(this);
    for (int n = CompositeOptions::MinimumRatio; n <= CompositeOptions::MaximumRatio; ++n) {
        connect(add(ratios, IdRatio1 + n - 1, ratioGroup), &QAction::triggered, this, [this, n] {
            if (m_state.setRatio(n))
                stateChanged();
        });
    }

    m_menu->addSeparator();
    connect(add(m_menu, IdResetSlide), &QAction::triggered, this, [this] {
        if (m_state.resetSlide())
            stateChanged();
    });
    connect(add(m_menu, IdResetSize), &QAction::triggered, this, [this] {
        if (m_state.resetSize())
            stateChanged();
    });

    // The main menu's pair tools, without their shortcut column: this window has no accelerators.
    m_menu->addSeparator();
    for (int id : {IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare}) {
        QAction *a = m_menu->addAction(Commands::captionWithoutShortcut(id));
        m_actions.insert(id, a);
        connect(a, &QAction::triggered, this, [this, id] {
            Q_EMIT pairToolRequested(id);
        });
    }

    m_menu->addSeparator();
    connect(add(m_menu, IdCompositeSave), &QAction::triggered, this, &CGouseiDlg::save);
}

void CGouseiDlg::stateChanged()
{
    m_compositeStale = true;
    setWindowTitle(m_state.caption());
    m_actions.value(IdMethodRows + int(m_state.method()))->setChecked(true);
    m_actions.value(m_state.aspect() == RightAspect::Free ? IdAspectFree : IdAspectOriginal)->setChecked(true);
    m_actions.value(IdRatio1 + m_state.ratio() - 1)->setChecked(true);
    const QRect r = m_state.rightRect();
    setAccessibleDescription(QStringLiteral("%1。左: %2、右: %3。右画像の位置 (%4, %5)、大きさ %6 x %7")
                                 .arg(m_state.caption(), fileNameOf(m_leftInfo), fileNameOf(m_rightInfo))
                                 .arg(r.x())
                                 .arg(r.y())
                                 .arg(r.width())
                                 .arg(r.height()));
    // Coalesced with the next paint: a fast drag rescales the right picture at most once a frame.
    update();
}

void CGouseiDlg::save()
{
    // The first folder that exists: a file dialog given a missing one opens in the working folder,
    // which for a program started from the desktop is "/" (a saved folder may have been removed, and
    // many homes have no Pictures folder).
    QString folder = QDir::homePath();
    for (const QString &candidate :
        {m_saveFolder, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)}) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir()) {
            folder = candidate;
            break;
        }
    }
    const QString path = m_prompts.chooseSaveFile(QStringLiteral("名前を付けて保存"),
        folder + QStringLiteral("/") + QStringLiteral("合成"),
        QStringLiteral("JPEGファイル (*.jpg *.jpeg);;BMPファイル (*.bmp)"),
        QStringLiteral("jpg"));
    if (path.isEmpty())
        return;
    m_saveFolder = QFileInfo(path).absolutePath();
    const Result<void> saved = SaveComposite(composite(), path, m_state.method(), m_options.quality);
    // The system's reason (a full disk, a missing folder, a name that is not .jpg or .bmp) follows.
    if (!saved)
        m_prompts.error(
            tr("ファイルを保存できませんでした。\r\n%1\r\n%2").arg(path, saved.error().message), Captions::error());
}

void CGouseiDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QImage &image = composite();
    if (image.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(QPoint(0, 0), image);
}

HeldArrows CGouseiDlg::heldArrows() const
{
    return {m_held[int(Arrow::Left)], m_held[int(Arrow::Up)], m_held[int(Arrow::Right)], m_held[int(Arrow::Down)]};
}

void CGouseiDlg::releaseAllArrows()
{
    m_held.fill(false);
}

void CGouseiDlg::keyPressEvent(QKeyEvent *event)
{
    Arrow arrow;
    if (!arrowOf(event->key(), arrow)) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Auto-repeat moves the picture on, but the key was down already.
    if (!event->isAutoRepeat())
        m_held[int(arrow)] = true;
    if (event->modifiers() & Qt::ShiftModifier) {
        if (m_state.resizeByKey(arrow))
            stateChanged();
    } else {
        m_state.slideByKey(arrow, heldArrows());
        stateChanged();
    }
}

void CGouseiDlg::keyReleaseEvent(QKeyEvent *event)
{
    Arrow arrow;
    if (!arrowOf(event->key(), arrow)) {
        QDialog::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        m_held[int(arrow)] = false;
}

void CGouseiDlg::focusOutEvent(QFocusEvent *event)
{
    // A key released while another window has the focus never reaches us.
    releaseAllArrows();
    QDialog::focusOutEvent(event);
}

void CGouseiDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        releaseAllArrows();
    QDialog::changeEvent(event);
}

void CGouseiDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_dragging) {
        QDialog::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_lastPoint = event->position().toPoint();
    setCursor(ViewerPictures::closedHandCursor());
}

void CGouseiDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QPoint point = event->position().toPoint();
    const QPoint delta = point - m_lastPoint;
    m_lastPoint = point;
    if (delta.isNull())
        return;
    if (event->modifiers() & Qt::ShiftModifier) {
        if (m_state.resizeByMouse(delta))
            stateChanged();
    } else {
        m_state.slideBy(delta);
        stateChanged();
    }
}

void CGouseiDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    m_lastPoint = QPoint(0, 0);
    setCursor(ViewerPictures::openHandCursor());
}

void CGouseiDlg::contextMenuEvent(QContextMenuEvent *event)
{
    m_menu->popup(event->globalPos() + QPoint(5, 5));
}

} // namespace Duovue
