#include "app/busy_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <cmath>

BusyAnimation::BusyAnimation(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(60);
    connect(m_timer, &QTimer::timeout, this, &BusyAnimation::advance);
    play();
}

bool BusyAnimation::isPlaying() const { return m_timer->isActive(); }
void BusyAnimation::play() { m_timer->start(); }
void BusyAnimation::stop() { m_timer->stop(); }

void BusyAnimation::advance()
{
    m_frame = (m_frame + 1) % FrameCount;
    update();
}

namespace {
void drawFolder(QPainter& p, const QRectF& r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + r.height() * 0.18);
    path.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.18);
    path.lineTo(r.left() + r.width() * 0.46, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawPath(path);
    p.setBrush(QColor(250, 220, 120));
    p.drawRect(QRectF(r.left(), r.top() + r.height() * 0.32, r.width(), r.height() * 0.68));
}

void drawSheet(QPainter& p, const QPointF& centre, double angle)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF sheet(-7, -9, 14, 18);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(120, 140, 200), 1));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(-4, -5 + i * 4), QPointF(4, -5 + i * 4));
    p.restore();
}
}

void BusyAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();
    const double folderW = qMin(44.0, w / 5);
    const double folderH = qMin(34.0, h * 0.6);
    const QRectF from(w * 0.12, h - folderH - 4, folderW, folderH);
    const QRectF to(w * 0.88 - folderW, h - folderH - 4, folderW, folderH);
    drawFolder(p, from);
    drawFolder(p, to);

    // The sheet travels on an arc from the left folder's mouth to the right one's.
    const double t = double(m_frame) / (FrameCount - 1);
    const QPointF start(from.center().x(), from.top() + 6);
    const QPointF end(to.center().x(), to.top() + 6);
    const double x = start.x() + (end.x() - start.x()) * t;
    const double lift = (h - folderH - 14) * 4 * t * (1 - t);
    const double y = start.y() - lift;
    drawSheet(p, QPointF(x, qMax(10.0, y)), -20 + 40 * t);
}
