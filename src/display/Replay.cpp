#include "display/Replay.h"

#include <algorithm>

#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

int32_t analysis_show(Module1& m, MainformState& f, int32_t r, int step) {
    r = std::min<int32_t>(r, m.RecCount - 1);
    r = std::max<int32_t>(r, 0);
    r = std::min<int32_t>(r, kMaxCoursePoint);  // DistTbl holds records 0..6000
    f.data_cont.setCaption(Str(r));
    time_mado_set(m, f, static_cast<int16_t>(r));
    const int32_t n = m.RecPtr + r;
    if (n < 0 || n > kMaxRecord) return r;
    load_record(m, n);
    if (layout::isMarkerKind(m.RawRec[frame::recordByte(layout::rec::kKind)])) {
        int seg = m.RawRec[frame::recordByte(layout::rec::kSegmentNo)];
        if (step == -1) seg = std::max(seg - 1, 0);
        m.SegNo = static_cast<int16_t>(seg);
    } else {
        disp_update(m, f);
    }
    const int16_t d = f.DistTbl[static_cast<size_t>(r)];
    if (m.SpeedUnit != 0)
        f.kyori.setCaption(Format(d * layout::kMilesPerMetre, "#0.000 M"));
    else
        f.kyori.setCaption(Str(static_cast<int>(Int(d))) + " m");
    car_set(m, f, d);
    f.Label_Cur.move(static_cast<float>(Int(d * f.XScale + kGraphLeft)), f.Label_Cur.Top);
    return r;
}

}  // namespace vt
