#pragma once
// TQKAnimate: plays an animation from one bitmap that holds all frames in a
// grid of Cols columns and Rows rows, numbered row by row from 0.

#include <functional>

#include "platform/ui/control.h"
#include "platform/ui/ext_ctrls.h"

using TQKAboutString = QString;

using TQKAnimateEvent = std::function<void(TObject* Sender, int& PicNr)>;

class TQKAnimate : public TGraphicControl {
public:
    explicit TQKAnimate(TComponent* AOwner);

    TQKAboutString About_Quillkit() const { return QStringLiteral("03.02.97"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    int AktPic() const { return aktPic_; }
    void SetAktPic(int v);
    TBitmap* Picture() { return &picture_; }
    void SetPicture(const TBitmap* v);
    int Cols() const { return cols_; }
    void SetCols(int v);
    int Rows() const { return rows_; }
    void SetRows(int v);
    int Interval() const { return interval_; }
    void SetInterval(int v);
    bool ReversePlay() const { return reversePlay_; }
    void SetReversePlay(bool v) { reversePlay_ = v; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);

    TNotifyEvent OnChangePic;
    TQKAnimateEvent OnRequestPic;

    TTimer* Timer() const { return timer_; }
    // One frame step, as the timer fires it.
    void TimerTick(TObject* Sender);
    void Paint() override;

private:
    int FrameCount() const { return cols_ * rows_; }
    // Without Stretch the control takes one frame's size.
    void FitToFrame();
    int aktPic_ = 0;
    TBitmap picture_;
    int cols_ = 1;
    int rows_ = 1;
    int interval_ = 0;
    bool reversePlay_ = false;
    bool stretch_ = true;
    TTimer* timer_;
};
