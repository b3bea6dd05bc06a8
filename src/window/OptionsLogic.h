#pragma once

#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"

#include <array>
#include <optional>
#include <string>

namespace pivora::window {

// The state of the options dialog's controls, as the window reads and fills them.
struct OptionsFields
{
    int SoundReminder = 0;    // cmbSR: 0 "ON", 1 "OFF", -1 no item selected
    int LosslessRotation = 1; // cmbLR: 0 "ON", 1 "OFF"
    int ParallelJobs = 0;     // cmbPJ: item n is n + 1 conversions at once
    int CutEnabled = 0;       // chkMC: 0 unchecked, 1 checked, 2 greyed
    // txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS: the stored range, never shown.
    std::array<std::string, 6> Range{"0", "0", "0", "0", "0", "0"};
};

enum RangeBox { txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS };

// The rules of "设置": what its boxes show when it opens, what OK accepts, and what OK keeps
// in the options and settings files. The window keeps only the controls.
class OptionsLogic
{
public:
    OptionsLogic(pivora::settings::OptionValues& options, std::string optionsPath,
                 pivora::settings::ProgramSettings& settings, std::string settingsPath);

    // The items of "同时转换": 1 to one per core.
    static int ParallelChoices();

    // What the controls show on opening.
    OptionsFields Form_Load() const;
    // Whether the six range boxes take input with the check box in `cutEnabled`.
    static bool RangeBoxesEnabled(int cutEnabled) { return cutEnabled == 1; }

    // OK refused: the message for the box that gets the focus; nothing is stored.
    struct Refusal
    {
        RangeBox Focus;
        const char* Text;  // a text of the logic, to be translated
        const char* Title; // shown with a warning icon
    };
    // OK: checks the fields, stores them and writes both files; `fields` then show what was
    // stored (an all-zero range unchecks the box).
    std::optional<Refusal> Command1_Click(OptionsFields& fields);

private:
    pivora::settings::OptionValues& m_options;
    std::string m_optionsPath;
    pivora::settings::ProgramSettings& m_settings;
    std::string m_settingsPath;
};

} // namespace pivora::window
