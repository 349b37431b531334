#include "logfiles/ParaDisp.h"

#include "platform/NumText.h"

namespace vt {

const std::array<ParaDispState::Box, 10> ParaDispState::kBoxes = {{
    {"dia_name", "Dia Data", &ParaDispState::dia_name},
    {"kiro_name", "Kirometer Posi", &ParaDispState::kiro_name},
    {"taco_name", "Tacometer Posi", &ParaDispState::taco_name},
    {"over_name", "Over Rev'", &ParaDispState::over_name},
    {"prs_name", "Pressuer Scale", &ParaDispState::prs_name},
    {"model_name", "Model", &ParaDispState::model_name},
    {"af_name", "A/F Converter", &ParaDispState::af_name},
    {"temp1", "Temp1 Comp'", &ParaDispState::temp1},
    {"temp2", "Temp2 Comp'", &ParaDispState::temp2},
    {"corse_no", "Corse NO,", &ParaDispState::corse_no},
}};

std::string taco_text(int tachoPulse) {
    static const char* const kPulses[9] = {" 1", " 2", " 3", " 4", " 5", " 6", " 8", "10", "12"};
    return std::string(" P:") + (tachoPulse >= 0 && tachoPulse <= 8 ? kPulses[tachoPulse] : "Non ");
}

std::string prs_text(int prsRange) {
    static const char* const kRanges[3] = {"  20", "  50", " 100"};
    // A range the sensor table does not know is shown as such.
    return std::string(prsRange >= 0 && prsRange <= 2 ? kRanges[prsRange] : "  ??") + " kg/cm";
}

std::string model_text(int carType) {
    static const char* const kModels[3] = {"    CAR", "   BIKE", " NORMAL"};
    return carType >= 0 && carType <= 2 ? kModels[carType] : "      ?";
}

void Form_Load(const Module1& m, ParaDispState& st) { st.window.setCaption(lang(m, 124)); }

void para_list_Click(const Module1& m, ParaDispState& st) {
    st.dia_name.setCaption(Str(m.MmPerPulse) + " mm/p ");
    st.kiro_name.setCaption(m.SpeedUnit == 0 ? "  km/h" : "  m/h");
    st.taco_name.setCaption(taco_text(m.TachoPulse));
    st.over_name.setCaption(Str(m.RpmMax) + " rpm");
    st.prs_name.setCaption(prs_text(m.PrsRange));
    st.model_name.setCaption(model_text(m.CarType));
    st.af_name.setCaption(Str(static_cast<double>(m.AFMode) / 100.0));
    st.temp1.setCaption(Str(m.Temp1Max) + "deg.C");
    st.temp2.setCaption(Str(m.Temp2Max) + "deg.C");
    st.corse_no.setCaption(Str(m.HdrHigh1));
    st.window.setVisible(true);
}

void model_name_Click(Module1& m, ParaDispState& st) {
    m.CarType = static_cast<int16_t>(m.CarType + 1 > 2 ? 0 : m.CarType + 1);
    st.model_name.setCaption(model_text(m.CarType));
}

}  // namespace vt
