#pragma once
#include <QWidget>

class QTimer;

// A small looping busy animation: a sheet flies from one folder to another, over and
// over, from the moment the widget exists until it is stopped.
class BusyAnimation : public QWidget {
    Q_OBJECT
public:
    explicit BusyAnimation(QWidget* parent = nullptr);

    static constexpr int FrameCount = 32;   // frames 0..31, then round again
    int frame() const { return m_frame; }
    bool isPlaying() const;
    void play();
    void stop();
    // Moves to the next frame (the timer calls it).
    void advance();

    QSize sizeHint() const override { return {272, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* m_timer;
    int m_frame = 0;
};
