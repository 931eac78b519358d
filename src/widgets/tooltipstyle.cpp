#include "widgets/tooltipstyle.h"

#include <QProxyStyle>
#include <QWidget>

namespace Duovue
{

namespace
{

class TooltipDelayStyle final : public QProxyStyle
{
public:
    explicit TooltipDelayStyle(int delay)
        : m_delay(delay)
    {
    }

    int styleHint(
        StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *ret) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return m_delay;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

private:
    int m_delay;
};

} // namespace

void setTooltipDelay(QWidget *root, int milliseconds)
{
    auto *style = new TooltipDelayStyle(milliseconds);
    style->setParent(root);
    // A widget's style does not pass to its children, so each one gets it.
    root->setStyle(style);
    for (QWidget *child : root->findChildren<QWidget *>())
        child->setStyle(style);
}

} // namespace Duovue
