// The four screens the system object creates. They live inside the host's user interface; here
// they are plug-ins bound to a host system and a guide that show nothing of their own.
#pragma once

#include "core/kestro_object.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_screens.h"

namespace kestro {

template <class I>
class TTVScreen : public TKestroTVObject<I> {
 public:
  TTVScreen(IKestroSystem* system, ITVListings* listings) : system_(system), listings_(listings) {}

  // A screen handles no messages, has no settings and is always available.
  HRESULT OnMessage(IKestroSystem*, IKestroMessage*, bool* handled) override {
    return this->FrameValue(handled, [] { return false; });
  }
  HRESULT DescribeSetting(int32_t, IKestroItem*, bool* ok) override {
    return this->FrameValue(ok, [] { return false; });
  }
  HRESULT ApplySettings(IKestroItem*, std::string* error, bool* ok) override {
    if (error) error->clear();
    return this->FrameValue(ok, [] { return true; });
  }
  HRESULT IsAvailable(bool* result) override {
    return this->FrameValue(result, [] { return true; });
  }

 private:
  ComPtr<IKestroSystem> system_;
  ComPtr<ITVListings> listings_;
};

using TTVProgramScreen = TTVScreen<ITVProgramScreen>;
using TTVRecordScreen = TTVScreen<ITVRecordScreen>;
using TTVRepeatingScheduleScreen = TTVScreen<ITVRepeatingScheduleScreen>;
using TTVScheduleScreen = TTVScreen<ITVScheduleScreen>;

}  // namespace kestro
