#pragma once
// Pictures of the main window, drawn at run time: the banner, the program's
// icon and the small "outputs running" animation.
#include <QLabel>
#include <QPixmap>
#include <QIcon>
#include <QVector>

class QTimer;

namespace forms {

// The maker's banner, size x size (designed for 561 x 72).
QPixmap DrawBanner(const QSize &size);
// The program's window icon.
QIcon AppIcon();

// Animated picture: a pulse train running through a small display. Frames are
// drawn once for the widget's size (stretched to it); a frame timer of its own
// steps through them while the animation runs.
class TPulseAnimation : public QLabel {
  Q_OBJECT
  Q_PROPERTY(bool Animate READ Animating WRITE setAnimating)
  Q_PROPERTY(int AnimationSpeed READ Speed WRITE setSpeed)

public:
  explicit TPulseAnimation(QWidget *parent = nullptr);

  // Natural frame time of the picture at speed 100 %.
  static constexpr int kFrameMs = 80;

  void Start();
  void Stop();
  bool Animating() const;
  void setAnimating(bool on) { on ? Start() : Stop(); }
  // Speed in per cent of the picture's own frame timing (200 = twice as fast).
  int Speed() const { return speed_; }
  void setSpeed(int percent);
  // The frame interval now in use, ms.
  int FrameInterval() const;
  int FrameCount() const { return int(frames_.size()); }
  int CurrentFrame() const { return frame_; }

protected:
  void resizeEvent(QResizeEvent *e) override;

private:
  void Step();
  void MakeFrames();

  QTimer *timer_;
  QVector<QPixmap> frames_;
  int frame_ = 0;
  int speed_ = 100;
};

}  // namespace forms
