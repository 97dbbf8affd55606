#pragma once
// A switch that is on while anyone holds it. Holders may nest or overlap (a
// calibration readback started from an event dispatched inside an
// initialisation): the switch goes off only when the last hold ends, so no
// holder can end another one's hold.
namespace vm {

class HoldCount {
 public:
  bool Held() const { return holds_ > 0; }

  // One hold, from construction to Release() or destruction.
  class Hold {
   public:
    explicit Hold(HoldCount &count) : count_(&count) { ++count_->holds_; }
    ~Hold() { Release(); }
    void Release() {
      if (!count_) return;
      --count_->holds_;
      count_ = nullptr;
    }
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

   private:
    HoldCount *count_;
  };

 private:
  int holds_ = 0;
};

}  // namespace vm
