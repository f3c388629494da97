#include "cleanup/ui/frm_data_opti_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
const QColor kFolder(0xe8, 0xb8, 0x4a);
const QColor kFolderDark(0xb9, 0x86, 0x24);
const QColor kSheet(0xfd, 0xfd, 0xfa);
const QColor kInk(0x5a, 0x6b, 0x86);
const QColor kGlass(0x9f, 0xd3, 0xf0, 150);

void drawSheet(QPainter& p, const QRectF& r, int lines)
{
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.setBrush(kSheet);
    p.drawRect(r);
    p.setPen(QPen(kInk, 1));
    const double step = r.height() / (lines + 1);
    for (int i = 1; i <= lines; ++i) {
        const double y = r.top() + i * step;
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3 - (i % 2) * 4, y));
    }
}

void drawFolder(QPainter& p, const QRectF& r, bool open)
{
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 4);
    back.lineTo(r.left() + r.width() * 0.35, r.top() + 4);
    back.lineTo(r.left() + r.width() * 0.42, r.top());
    back.lineTo(r.right(), r.top());
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(QPen(kFolderDark, 1));
    p.setBrush(kFolderDark.lighter(130));
    p.drawPath(back);
    if (open) {
        drawSheet(p, QRectF(r.left() + 5, r.top() + 3, r.width() - 10, r.height() - 6), 4);
    }
    QPainterPath front;
    const double lip = open ? r.height() * 0.45 : r.height() * 0.2;
    front.moveTo(r.left(), r.top() + lip);
    front.lineTo(r.right(), r.top() + lip);
    front.lineTo(r.right() - (open ? 3 : 0), r.bottom());
    front.lineTo(r.left() + (open ? 3 : 0), r.bottom());
    front.closeSubpath();
    p.setBrush(kFolder);
    p.drawPath(front);
}
}

WizardAnimation::WizardAnimation(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    m_timer.setInterval(70);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % FrameCount;
        update();
    });
    setMinimumHeight(60);
}

void WizardAnimation::start()
{
    m_frame = 0;
    m_timer.start();
    update();
}

void WizardAnimation::stop()
{
    m_timer.stop();
    update();
}

QSize WizardAnimation::sizeHint() const
{
    return m_kind == Kind::Search ? QSize(90, 64) : QSize(272, 60);
}

void WizardAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = double(m_frame) / FrameCount;
    if (m_kind == Kind::Search)
        paintSearch(p, t);
    else
        paintCopy(p, t);
}

void WizardAnimation::paintSearch(QPainter& p, double t)
{
    // A stack of sheets with a magnifier circling over it.
    const double w = 56, h = 46;
    const QPointF origin((width() - w) / 2.0, (height() - h) / 2.0);
    for (int i = 2; i >= 0; --i)
        drawSheet(p, QRectF(origin.x() + i * 4, origin.y() + i * 3, w - 12, h - 8), 5);
    const double angle = t * 2 * M_PI;
    const QPointF c(origin.x() + w / 2 + std::cos(angle) * 12, origin.y() + h / 2 + std::sin(angle) * 8);
    const double radius = 11;
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(radius * 0.7, radius * 0.7), c + QPointF(radius * 1.6, radius * 1.6));
    p.setPen(QPen(QColor(0x44, 0x44, 0x44), 2));
    p.setBrush(kGlass);
    p.drawEllipse(c, radius, radius);
}

void WizardAnimation::paintCopy(QPainter& p, double t)
{
    // Two folders; a sheet flies along an arc from the left one to the right one.
    const double fw = 44, fh = 34;
    const double y = height() - fh - 6;
    const QRectF left(16, y, fw, fh);
    const QRectF right(width() - 16 - fw, y, fw, fh);
    drawFolder(p, left, true);
    drawFolder(p, right, true);
    const double x0 = left.center().x(), x1 = right.center().x();
    const double x = x0 + (x1 - x0) * t;
    const double arc = std::sin(t * M_PI) * (height() - fh - 12);
    const QRectF sheet(x - 9, y - arc - 4, 18, 22);
    p.save();
    p.translate(sheet.center());
    p.rotate(std::sin(t * 2 * M_PI) * 15);
    p.translate(-sheet.center());
    drawSheet(p, sheet, 4);
    p.restore();
}
