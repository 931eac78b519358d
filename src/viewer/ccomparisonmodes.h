#pragma once

#include <array>

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "viewer/differenceview.h"

namespace Duovue
{

class CComparisonOptionsDlg;
class CViewerPane;
class SettingsStore;

/// The comparison modes of the viewer, over its two panes:
///
/// - difference: the right pane shows where the right picture differs from the left one, red over
///   a dimmed grey copy of the left picture, at the tolerance of the settings;
/// - split: the left pane alone shows the left picture left of a divider and the right picture
///   right of it, the divider dragged or moved by keys;
/// - flicker: the left pane shows the left and the right picture in turn at an interval;
/// - linked views: zooming or scrolling one pane does the same to the other, in coordinates
///   relative to each picture's size. Two options: one for the panes side by side (off at first,
///   as each pane keeps its own zoom), one while difference or flicker show (on at first).
///
/// A right picture of another size is scaled to the left one's for all of them. Difference and
/// split exclude each other, and so do split and flicker. The modes follow the panes' pictures (a
/// step, a rotation) through picturesChanged(); the frame asks statusText() for what the status bar
/// shows instead of a path. Tolerance, interval and linking are kept in the settings.
///
/// Thread: GUI thread. Does not own the panes or the settings, which must outlive it.
class CComparisonModes final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CComparisonModes)

public:
    enum class Mode { SideBySide, Difference, Split };

    /// How far a key moves the divider: a fiftieth of the pane's width.
    static constexpr double DividerStep = 0.02;

    CComparisonModes(SettingsStore &settings, std::array<CViewerPane *, 2> panes, QObject *parent = nullptr);
    ~CComparisonModes() override;

    Mode mode() const { return m_mode; }
    bool isFlickering() const { return m_flicker.isActive(); }
    /// Whether the panes are linked now (by the option of the present mode).
    bool isLinked() const;
    bool isLinked(bool compared) const { return m_linked[compared ? 1 : 0]; }
    int tolerance() const { return m_tolerance; }
    int flickerInterval() const { return m_flicker.interval(); }

    /// Turns @p mode on, or back to side by side when it is on already.
    void toggleMode(Mode mode);
    void setMode(Mode mode);
    void toggleFlicker();
    void stopFlicker();
    /// Moves the split's divider a step left (-1) or right (+1).
    void moveDivider(int direction);

    void setTolerance(int tolerance);
    void setFlickerInterval(int ms);
    /// Sets the linking of the present mode (side by side, or difference and flicker).
    void setLinked(bool linked);
    void setLinked(bool compared, bool linked);

    /// Opens the dialog of tolerance, interval and linking (one at a time, not modal).
    void openOptions(QWidget *parent);
    CComparisonOptionsDlg *optionsDialog() const;

    /// A pane's picture changed: what the modes show is made again.
    void picturesChanged();
    /// The viewer closes: back to side by side, flicker stopped, the other pane shown again.
    void end();

    /// What the status bar of side @p side shows in place of the pane's own text; empty for that.
    QString statusText(int side) const;

Q_SIGNALS:
    void statusChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool bothPictures() const;
    QImage rightAtLeftSize() const;
    QString sizeNote() const;
    void showDifference();
    void showSplit();
    void flickerTick();
    void follow(int from);

    SettingsStore &m_settings;
    std::array<CViewerPane *, 2> m_panes;
    Mode m_mode = Mode::SideBySide;
    std::array<bool, 2> m_linked{false, true}; // side by side, compared
    bool m_following = false;
    int m_tolerance = 0;

    DifferenceView m_difference;
    bool m_differenceStale = true;
    QString m_differenceStatus;

    QTimer m_flicker;
    QImage m_flickerRight;
    bool m_flickerShowsRight = false;

    QPointer<CComparisonOptionsDlg> m_options;
};

} // namespace Duovue
