#pragma once
#include <QTimer>
#include <QWidget>

// The wizard's small looping animations, drawn in code: a magnifier searching a stack of
// report sheets (the check) and a sheet travelling from one folder to another (cleanup).
class WizardAnimation : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Search, Copy };
    explicit WizardAnimation(Kind kind, QWidget* parent = nullptr);

    void start();
    void stop();
    bool playing() const { return m_timer.isActive(); }
    int frame() const { return m_frame; }
    static constexpr int FrameCount = 24;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintSearch(class QPainter& p, double t);
    void paintCopy(class QPainter& p, double t);

    Kind m_kind;
    QTimer m_timer;
    int m_frame = 0;
};
