#include "course/RefChoice.h"

#include <memory>

#include "compare/LapCompare.h"
#include "course/LapChoice.h"
#include "display/Graphs.h"
#include "logfiles/LogFile.h"
#include "platform/NumText.h"

namespace vt {

namespace {

// The log at `path` read into an image of its own; null with the reason when it is no log.
std::unique_ptr<Module1> readLog(const std::string& path, std::string* error) {
    auto image = makeModule1();
    std::string why;
    if (!log_read_path(*image, path, nullptr, &why)) {
        if (error) *error = path + ": " + why;
        return nullptr;
    }
    return image;
}

void unusable(Module1& m, Services& s, const std::string& why) {
    s.ui.beep();
    s.ui.msg(lang(m, text::kRefUnusable) + why, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
}

// A new reference keeps what the comparison was set to show.
void clearReference(RefLapState& ref) {
    RefLapState cleared;
    cleared.PaintCourse = ref.PaintCourse;
    cleared.ListDiff = ref.ListDiff;
    ref = std::move(cleared);
}

}  // namespace

void compare_caption_load(const Module1& m, MainformState& f) {
    const std::pair<Control*, int> table[] = {
        {&f.Ref_com, text::kCompareMenu}, {&f.Ref_best, text::kRefBest},   {&f.Ref_file, text::kRefFile},
        {&f.Ref_clear, text::kRefClear},  {&f.Ref_paint, text::kRefPaint}, {&f.Ref_list, text::kRefList},
    };
    for (const auto& [control, n] : table) control->setCaption(lang(m, n));
    f.Ref_paint.setChecked(f.RefLap.PaintCourse);
    f.Ref_list.setChecked(f.RefLap.ListDiff);
    f.Ref_clear.setEnabled(f.RefLap.On);
}

bool load_reference_log(const std::string& path, int lap, RefLapState& ref, std::string* error) {
    const std::unique_ptr<Module1> image = readLog(path, error);
    if (!image) return false;
    if (lap == 0) lap = best_lap(*image);
    if (lap == 0) {
        if (error) *error = path + ": no lap with a time";
        return false;
    }
    std::string why;
    if (!reference_from_image(*image, lap, log_title(path), path, ref, &why)) {
        if (error) *error = path + ": " + why;
        return false;
    }
    return true;
}

bool reference_from_loaded(Module1& m, MainformState& f, int lap, std::string* error) {
    if (m.LapLast == 0) {
        if (error) *error = "no log is loaded";
        return false;
    }
    if (lap == 0) lap = best_lap(m);
    if (lap == 0) {
        if (error) *error = "the log has no lap with a time";
        return false;
    }
    const bool ok = reference_from_image(m, lap, log_title(m.LogFileName), m.LogFileName, f.RefLap, error);
    f.Ref_clear.setEnabled(f.RefLap.On);
    return ok;
}

void compare_refresh(Module1& m, MainformState& f, Services& s) {
    f.Ref_clear.setEnabled(f.RefLap.On);
    if (m.RecCount >= 1)
        post_load(m, f, s);  // the course list, the coloured course and the graph, as choosing the lap
    else
        grf_refresh(m, f);
}

void Ref_best_Click(Module1& m, MainformState& f, Services& s) {
    std::string why;
    if (!reference_from_loaded(m, f, 0, &why)) {
        unusable(m, s, why);
        return;
    }
    compare_refresh(m, f, s);
}

void Ref_file_Click(Module1& m, MainformState& f, Services& s, const std::function<void()>& showChooser) {
    // The chooser hands its choice over in LogFileName, which names the loaded log: kept.
    const std::string loaded = m.LogFileName;
    m.LogFileName = m.LogDir;
    if (showChooser) showChooser();
    const std::string path = m.LogFileName;
    m.LogFileName = loaded;
    if (path.empty()) return;

    std::string why;
    const std::unique_ptr<Module1> image = readLog(path, &why);
    if (!image) {
        unusable(m, s, why);
        return;
    }
    const int best = best_lap(*image);
    const std::string answer =
        s.ui.inputBox(lang(m, text::kRefLapPrompt) + " (" + std::to_string(image->LapFirst) + ".." +
                          std::to_string(image->LapLast) + ")",
                      lang(m, text::kRefLapTitle), best != 0 ? std::to_string(best) : std::string());
    if (Trim(answer).empty()) return;
    const double lap = Nearest(Val(answer));
    if (!fits16(lap) || !reference_from_image(*image, static_cast<int>(lap), log_title(path), path, f.RefLap, &why)) {
        unusable(m, s, why.empty() ? "lap " + Trim(answer) + " is not in " + path : why);
        return;
    }
    compare_refresh(m, f, s);
}

void Ref_clear_Click(Module1& m, MainformState& f, Services& s) {
    clearReference(f.RefLap);
    compare_refresh(m, f, s);
}

void Ref_paint_Click(Module1& m, MainformState& f, Services& s) {
    f.RefLap.PaintCourse = !f.RefLap.PaintCourse;
    f.Ref_paint.setChecked(f.RefLap.PaintCourse);
    if (f.RefLap.On) compare_refresh(m, f, s);
}

void Ref_list_Click(Module1& m, MainformState& f, Services& s) {
    f.RefLap.ListDiff = !f.RefLap.ListDiff;
    f.Ref_list.setChecked(f.RefLap.ListDiff);
    if (f.RefLap.On) compare_refresh(m, f, s);
}

void grf_8_button(Module1& m, MainformState& f, Services& s) {
    m.GraphKind = 8;
    std::string why;
    if (!f.RefLap.On && m.LapLast != 0 && reference_from_loaded(m, f, 0, &why)) {
        compare_refresh(m, f, s);  // the new reference on the course and the list too
        return;
    }
    grf_refresh(m, f);  // without a reference the graph says so
}

void list_reference_pick(Module1& m, MainformState& f, Services& s, int lap, bool redraw) {
    if (lap == 0) return;
    std::string why;
    if (!reference_from_loaded(m, f, lap, &why)) {
        unusable(m, s, why);
        return;
    }
    if (redraw) compare_refresh(m, f, s);
}

}  // namespace vt
