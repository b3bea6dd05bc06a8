#include "window/OptionsLogic.h"

#include "engine/UserMessages.h"
#include "settings/SettingsFiles.h"

#include <algorithm>
#include <cmath>

namespace pivora::window {

namespace {

double V(const std::string& box)
{
    return pivora::settings::LeadingNumber(box);
}

// Whole seconds as the three boxes show them: hours, then minutes and seconds from what the
// boxes before them read.
void FillRange(std::int32_t total, std::string& hours, std::string& minutes, std::string& seconds)
{
    const double value = total;
    const auto text = [](double number) {
        return std::to_string(static_cast<long long>(std::floor(number)));
    };
    hours = text(value / 3600);
    minutes = text((value - V(hours) * 3600) / 60);
    seconds = text(value - V(hours) * 3600 - V(minutes) * 60);
}

} // namespace

OptionsLogic::OptionsLogic(pivora::settings::OptionValues& options, std::string optionsPath,
                           pivora::settings::ProgramSettings& settings, std::string settingsPath)
    : m_options(options), m_optionsPath(std::move(optionsPath)), m_settings(settings),
      m_settingsPath(std::move(settingsPath))
{
}

int OptionsLogic::ParallelChoices()
{
    // One conversion per core at most: more would only share the same cores.
    return pivora::settings::MaxParallelJobs();
}

OptionsFields OptionsLogic::Form_Load() const
{
    OptionsFields fields;
    fields.SoundReminder =
        m_options.SoundReminder >= 0 && m_options.SoundReminder < 2 ? m_options.SoundReminder : -1;
    fields.LosslessRotation = m_settings.LosslessRotation ? 0 : 1;
    // A number written for a bigger machine shows as this machine's most.
    fields.ParallelJobs = std::clamp(m_settings.ParallelJobs, 1, ParallelChoices()) - 1;
    // The stored value is 0 (off), 1 (on) or 2 (greyed), as the check box has always kept it;
    // anything else leaves the box unchecked.
    fields.CutEnabled =
        m_options.CutEnabled >= 0 && m_options.CutEnabled <= 2 ? m_options.CutEnabled : 0;
    if (RangeBoxesEnabled(fields.CutEnabled)) {
        FillRange(m_options.CutStart, fields.Range[txtFromH], fields.Range[txtFromM],
                  fields.Range[txtFromS]);
        FillRange(m_options.CutEnd, fields.Range[txtToH], fields.Range[txtToM],
                  fields.Range[txtToS]);
    }
    return fields;
}

std::optional<OptionsLogic::Refusal> OptionsLogic::Command1_Click(OptionsFields& fields)
{
    const auto& range = fields.Range;
    const char* minutes = PIVORA_TRANSLATE_NOOP("CoreTexts", "分钟必须小于60");
    const char* seconds = PIVORA_TRANSLATE_NOOP("CoreTexts", "秒必须小于60");
    for (const auto& [box, text, title] :
         {Refusal{txtFromM, minutes, PIVORA_TRANSLATE_NOOP("CoreTexts", "分钟")},
          Refusal{txtToM, minutes, PIVORA_TRANSLATE_NOOP("CoreTexts", "分钟")},
          Refusal{txtFromS, seconds, PIVORA_TRANSLATE_NOOP("CoreTexts", "秒")},
          Refusal{txtToS, seconds, PIVORA_TRANSLATE_NOOP("CoreTexts", "秒")}}) {
        if (V(range[box]) > 59)
            return Refusal{box, text, title};
    }

    if (std::all_of(range.begin(), range.end(), [](const std::string& box) { return V(box) == 0; }))
        fields.CutEnabled = 0;

    using pivora::settings::RoundHalfEven;
    m_options.SoundReminder = static_cast<std::int16_t>(fields.SoundReminder);
    m_options.CutEnabled = static_cast<std::int16_t>(fields.CutEnabled);
    const double start =
        RoundHalfEven(V(range[txtFromH]) * 3600 + V(range[txtFromM]) * 60 + V(range[txtFromS]));
    const double end =
        RoundHalfEven(V(range[txtToH]) * 3600 + V(range[txtToM]) * 60 + V(range[txtToS]));
    // A sum that does not fit its field leaves the field as it was.
    if (std::abs(start) <= 2147483647.0)
        m_options.CutStart = static_cast<std::int32_t>(start);
    if (std::abs(end) <= 2147483647.0)
        m_options.CutEnd = static_cast<std::int32_t>(end);
    pivora::settings::SaveOptions(m_optionsPath, m_options);
    m_settings.LosslessRotation = fields.LosslessRotation == 0;
    // An untouched box keeps a number written for a bigger machine.
    if (const int jobs = fields.ParallelJobs + 1;
        jobs != std::clamp(m_settings.ParallelJobs, 1, ParallelChoices()))
        m_settings.ParallelJobs = jobs;
    pivora::settings::SaveProgramSettings(m_settingsPath, m_settings);
    return std::nullopt;
}

} // namespace pivora::window
