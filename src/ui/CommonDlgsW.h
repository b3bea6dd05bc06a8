#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class QWidget;

namespace pivora::ui {

// The open, save and colour dialogs with the fields callers set before and read after.
// Texts are the program's own (Unicode); the fields keep their values between dialogs.
class CommonDlgsW
{
public:
    static constexpr std::int32_t kAllowMultiSelect = 0x200;
    static constexpr std::int32_t kNoValidate = 0x100;

    std::int32_t Flags = 0;
    QString DefaultExt;
    QString DialogTitle;
    QString Title;
    QString FileName;
    QString FileTitle;
    QString Filter = QStringLiteral("All files (*.*)|*.*");
    std::int32_t FilterIndex = 1;
    QString InitDir;
    std::int32_t MaxFileSize = 256;

    bool ShowOpen(QWidget* winHwnd);
    bool ShowSave(QWidget* hWnd);
    bool ShowColor(QWidget* hWnd);

    // A Windows colour value, 0x00BBGGRR. A negative value names a system colour by its low
    // 16 bits; setting one stores that colour's current value.
    std::int32_t Color() const { return m_color; }
    void SetColor(std::int32_t value);

    // "Description|pattern|..." as the file dialog wants it: "Description (pattern)" lines.
    static QStringList QtFilters(const QString& filter);

private:
    bool ShowFileDialog(QWidget* owner, bool save);

    std::int32_t m_color = 12632256;
    std::array<std::int32_t, 16> m_customColors{};
};

// The platform's own dialogs where there is a desktop to show them, Qt's own otherwise
// (offscreen, where they can be driven by tests).
void UseSuitableDialog(QWidget& dialog);

// The current value of a system colour (COLOR_WINDOW = 5, COLOR_BTNFACE = 15, ...) from the
// application's palette, as 0x00BBGGRR.
std::int32_t SystemColor(int index);

} // namespace pivora::ui
