; The Windows installer of Pivora, made on Linux by the build (cmake/WindowsDownload.cmake),
; which defines VERSION, VERSION4, PUBLISHER, HOMEPAGE, STAGE, LISTS, MAIN_EXE, OUTFILE and,
; when the build has them, HAVE_WINDOW, ICON and WIZARD (the finish page's picture).
;
; For the current user by default, into %LOCALAPPDATA%\Programs\Pivora, without administrator
; rights; for all users into Program Files when asked, and only then elevated. Besides NSIS's
; own /S (silent) and /D=<folder> (last on the command line):
;   /ALLUSERS, /CURRENTUSER      which kind of install (a silent one is per-user unless told)
;   /DESKTOPSHORTCUT, /ADDTOPATH the choices the wizard leaves unticked
; The uninstaller takes /S and keeps the user's settings, journal and outputs.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

!define APP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pivora"
!define PROGID "Pivora.VideoFile"
!define SYSTEM_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define WINDOW_CLASS "PivoraMain"
; The video types the program reads, as its Linux desktop entry lists them.
!define VIDEO_TYPES ".mp4 .m4v .mov .avi .mkv .webm .mpg .mpeg .flv .3gp .3g2 .wmv .asf .ogv .ts .mts .m2ts"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "Pivora"
OutFile "${OUTFILE}"
BrandingText "Pivora ${VERSION}"

Var AllUsers       ; 1: for all users, into Program Files
Var FolderGiven    ; 1: /D= named the folder
Var Elevated       ; 1: started again with administrator rights for an all-users install
Var ForMe
Var ForAll
Var InstalledForMe  ; the folders of an install already there, of either kind
Var InstalledForAll

!ifdef ICON
    !define MUI_ICON "${ICON}"
    !define MUI_UNICON "${ICON}"
!endif
!ifdef WIZARD
    !define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!endif
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC

Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!ifdef HAVE_WINDOW
    !define MUI_FINISHPAGE_RUN
    !define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!endif
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Chinese first: it is the program's own language, and the one shown where neither matches.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString ModeTitle ${LANG_SIMPCHINESE} "选择安装方式"
LangString ModeTitle ${LANG_ENGLISH} "Choose Installation Type"
LangString ModeSubtitle ${LANG_SIMPCHINESE} "为谁安装 Pivora?"
LangString ModeSubtitle ${LANG_ENGLISH} "Who should Pivora be installed for?"
LangString ModeForMe ${LANG_SIMPCHINESE} "只为我安装(推荐)"
LangString ModeForMe ${LANG_ENGLISH} "Only for me (recommended)"
LangString ModeForMeNote ${LANG_SIMPCHINESE} "安装到你的用户文件夹,不需要管理员权限。"
LangString ModeForMeNote ${LANG_ENGLISH} "Installs into your own user folder. No administrator rights are needed."
LangString ModeForAll ${LANG_SIMPCHINESE} "为这台电脑的所有用户安装"
LangString ModeForAll ${LANG_ENGLISH} "For all users of this computer"
LangString ModeForAllNote ${LANG_SIMPCHINESE} "安装到 Program Files,需要管理员权限。"
LangString ModeForAllNote ${LANG_ENGLISH} "Installs into Program Files. Administrator rights are needed."
LangString ElevationRefused ${LANG_SIMPCHINESE} "没有得到管理员权限,无法为所有用户安装 Pivora。你可以选择只为自己安装。"
LangString ElevationRefused ${LANG_ENGLISH} "Administrator rights were not granted, so Pivora cannot be installed for all users. You can install it for yourself only."
LangString UnElevationRefused ${LANG_SIMPCHINESE} "没有得到管理员权限,无法卸载为所有用户安装的 Pivora。"
LangString UnElevationRefused ${LANG_ENGLISH} "Administrator rights were not granted, so Pivora, installed for all users, cannot be uninstalled."
LangString SectionProgram ${LANG_SIMPCHINESE} "Pivora"
LangString SectionProgram ${LANG_ENGLISH} "Pivora"
LangString SectionProgramNote ${LANG_SIMPCHINESE} "程序、转换器、帮助页面和开始菜单快捷方式。"
LangString SectionProgramNote ${LANG_ENGLISH} "The program, its converter, the help pages and the Start menu shortcut."
LangString SectionDesktop ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString SectionDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SectionDesktopNote ${LANG_SIMPCHINESE} "在桌面上放一个 Pivora 快捷方式。"
LangString SectionDesktopNote ${LANG_ENGLISH} "Puts a Pivora shortcut on the desktop."
LangString SectionPath ${LANG_SIMPCHINESE} "加入 PATH"
LangString SectionPath ${LANG_ENGLISH} "Add to PATH"
LangString SectionPathNote ${LANG_SIMPCHINESE} "让 pivora-cli 能在命令提示符中直接运行:把安装文件夹加入 PATH。"
LangString SectionPathNote ${LANG_ENGLISH} "Adds the installation folder to PATH, so that pivora-cli runs from a command prompt."
LangString ShortcutNote ${LANG_SIMPCHINESE} "批量旋转和镜像视频文件"
LangString ShortcutNote ${LANG_ENGLISH} "Rotate and mirror video files in batches"
LangString VideoFile ${LANG_SIMPCHINESE} "视频文件"
LangString VideoFile ${LANG_ENGLISH} "Video file"
LangString AskingToClose ${LANG_SIMPCHINESE} "正在请 Pivora 关闭……"
LangString AskingToClose ${LANG_ENGLISH} "Asking Pivora to close…"
LangString StillRunning ${LANG_SIMPCHINESE} "Pivora 正在运行。请先关闭它(正在进行的转换也请先停止),然后点击“重试”。"
LangString StillRunning ${LANG_ENGLISH} "Pivora is running. Please close it (and stop any conversion in progress), then click Retry."
LangString PathTooLong ${LANG_SIMPCHINESE} "PATH 环境变量太长,安装程序无法安全地修改它。要在命令提示符中使用 pivora-cli,请手动把这个文件夹加入 PATH:"
LangString PathTooLong ${LANG_ENGLISH} "The PATH environment variable is too long for the installer to change it safely. To use pivora-cli from a command prompt, add this folder to PATH yourself:"
LangString PathTooLongToRemove ${LANG_SIMPCHINESE} "PATH 环境变量太长,卸载程序无法安全地修改它。请手动从 PATH 中删除这个文件夹:"
LangString PathTooLongToRemove ${LANG_ENGLISH} "The PATH environment variable is too long for the uninstaller to change it safely. Remove this folder from PATH yourself:"

VIProductVersion ${VERSION4}
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Pivora"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Pivora 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "© 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Pivora"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Pivora Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "© 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"

; What the installer and the uninstaller both need; NSIS wants each function twice, the
; uninstaller's named with "un.".
!macro SHARED un
; Switches the shell folders and SHCTX to the kind of install.
Function ${un}UseInstallKind
    ${If} $AllUsers == 1
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
FunctionEnd

; $0: 1 when this process has administrator rights.
Function ${un}IsAdmin
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 == "Admin"
        StrCpy $0 1
    ${Else}
        StrCpy $0 0
    ${EndIf}
FunctionEnd

; Starts this program again with administrator rights and the switches on the stack, waits for
; it and leaves its exit code on the stack, or "refused" when the rights were not granted.
Function ${un}RunElevated
    Exch $R0
    Push $R1
    Push $R2
    ; SHELLEXECUTEINFOW as laid out for 64-bit Windows, with SEE_MASK_NOCLOSEPROCESS.
    System::Call '*(i 112, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w R0, p 0, i 1, i 0, \
                    p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .R1'
    System::Call 'shell32::ShellExecuteExW(p R1) i .R2'
    ${If} $R2 <> 0
        System::Call '*$R1(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .R2)'
        System::Call 'kernel32::WaitForSingleObject(p R2, i -1)'
        System::Call 'kernel32::GetExitCodeProcess(p R2, *i .R0)'
        System::Call 'kernel32::CloseHandle(p R2)'
    ${Else}
        StrCpy $R0 "refused"
    ${EndIf}
    System::Free $R1
    Pop $R2
    Pop $R1
    Exch $R0
FunctionEnd

; $8: the program file of process $5, or "" when it cannot be looked into.
Function ${un}ProgramOfProcess
    StrCpy $8 ""
    System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r5) p .r6'
    ${If} $6 P<> 0
        System::Call 'kernel32::QueryFullProcessImageNameW(p r6, i 0, w .r8, *i ${NSIS_MAX_STRLEN}) i .r9'
        System::Call 'kernel32::CloseHandle(p r6)'
        ${IfThen} $9 == 0 ${|} StrCpy $8 "" ${|}
    ${EndIf}
FunctionEnd

; $0: 1 while a program of this install runs: a process started from one of its programs
; (another user's process cannot be looked into, so its programs' files are tried too: Windows
; will not open a running program for writing).
Function ${un}ProgramInUse
    StrCpy $0 0
    System::Call 'kernel32::GetCurrentProcessId() i .r7'
    System::Alloc 32768
    Pop $1
    System::Call 'kernel32::K32EnumProcesses(p r1, i 32768, *i .r2) i .r3'
    ${If} $3 <> 0
        IntOp $2 $2 / 4
        ${For} $3 1 $2
            IntOp $4 $3 - 1
            IntOp $4 $4 * 4
            IntPtrOp $4 $1 + $4
            System::Call '*$4(i .r5)'
            ${If} $5 <> $7
                Call ${un}ProgramOfProcess
                ${If} $8 == "$INSTDIR\${MAIN_EXE}"
                ${OrIf} $8 == "$INSTDIR\pivora-cli.exe"
                ${OrIf} $8 == "$INSTDIR\data\conv.exe"
                    StrCpy $0 1
                ${EndIf}
            ${EndIf}
        ${Next}
    ${EndIf}
    System::Free $1
    ${For} $1 0 2
        ${Select} $1
        ${Case} 0
            StrCpy $2 "$INSTDIR\${MAIN_EXE}"
        ${Case} 1
            StrCpy $2 "$INSTDIR\pivora-cli.exe"
        ${CaseElse}
            StrCpy $2 "$INSTDIR\data\conv.exe"
        ${EndSelect}
        ${If} ${FileExists} $2
            ClearErrors
            FileOpen $3 $2 a
            ${If} ${Errors}
                StrCpy $0 1
            ${Else}
                FileClose $3
            ${EndIf}
        ${EndIf}
    ${Next}
FunctionEnd

; Each window of this install is asked to close as its close button would ask it: the window
; asks about a running batch itself. Windows of other copies of the program are left alone.
Function ${un}AskWindowsToClose
    !ifdef HAVE_WINDOW
        StrCpy $R6 0
        ${Do}
            FindWindow $R6 "${WINDOW_CLASS}" "" 0 $R6
            ${IfThen} $R6 P= 0 ${|} ${Break} ${|}
            System::Call 'user32::GetWindowThreadProcessId(p R6, *i .r5)'
            Call ${un}ProgramOfProcess
            ${If} $8 == "$INSTDIR\${MAIN_EXE}"
                DetailPrint "$(AskingToClose)"
                System::Call 'user32::PostMessageW(p R6, i ${WM_CLOSE}, p 0, p 0)'
            ${EndIf}
        ${Loop}
    !endif
FunctionEnd

; Programs of this install still running are asked to close and waited for, then the user is
; asked to close them. Cancelled, or silent and still running after the wait, the whole run
; ends with exit code 2, before anything was changed.
Function ${un}CloseRunningProgram
    Call ${un}AskWindowsToClose
    StrCpy $R5 0 ; half seconds waited
    ${Do}
        Call ${un}ProgramInUse
        ${IfThen} $0 == 0 ${|} ${Break} ${|}
        IntOp $R5 $R5 + 1
        ${If} $R5 > 20
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
            SetErrorLevel 2
            Quit
        retry:
            Call ${un}AskWindowsToClose
            StrCpy $R5 0
        ${EndIf}
        Sleep 500
    ${Loop}
FunctionEnd

; The environment's PATH of this kind of install into $0, and $1: "ok", "absent", or "long"
; when it is longer than the installer's strings hold (then it is left alone).
Function ${un}ReadPath
    ClearErrors
    ${If} $AllUsers == 1
        ReadRegStr $0 HKLM "${SYSTEM_ENVIRONMENT}" "Path"
    ${Else}
        ReadRegStr $0 HKCU "Environment" "Path"
    ${EndIf}
    StrCpy $1 "ok"
    ${If} ${Errors}
        ; Absent, or too long to be read: only the value's own listing tells them apart.
        StrCpy $1 "absent"
        StrCpy $2 0
        ${Do}
            ClearErrors
            ${If} $AllUsers == 1
                EnumRegValue $3 HKLM "${SYSTEM_ENVIRONMENT}" $2
            ${Else}
                EnumRegValue $3 HKCU "Environment" $2
            ${EndIf}
            ${If} ${Errors}
            ${OrIf} $3 == ""
                ${Break}
            ${EndIf}
            ${If} $3 == "Path"
                StrCpy $1 "long"
                ${Break}
            ${EndIf}
            IntOp $2 $2 + 1
        ${Loop}
        StrCpy $0 ""
    ${EndIf}
FunctionEnd

; Writes $0 as the PATH of this kind of install (removed when empty) and tells running
; programs.
Function ${un}WritePath
    ${If} $AllUsers == 1
        ${If} $0 == ""
            DeleteRegValue HKLM "${SYSTEM_ENVIRONMENT}" "Path"
        ${Else}
            WriteRegExpandStr HKLM "${SYSTEM_ENVIRONMENT}" "Path" $0
        ${EndIf}
    ${Else}
        ${If} $0 == ""
            DeleteRegValue HKCU "Environment" "Path"
        ${Else}
            WriteRegExpandStr HKCU "Environment" "Path" $0
        ${EndIf}
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=2000
FunctionEnd
!macroend
!insertmacro SHARED ""
!insertmacro SHARED "un."

Function ModePage
    ${IfThen} $Elevated == 1 ${|} Abort ${|}
    !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeSubtitle)"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateRadioButton} 0 0 100% 12u "$(ModeForMe)"
    Pop $ForMe
    ${NSD_CreateLabel} 12u 14u -12u 20u "$(ModeForMeNote)"
    Pop $0
    ${NSD_CreateRadioButton} 0 44u 100% 12u "$(ModeForAll)"
    Pop $ForAll
    ${NSD_CreateLabel} 12u 58u -12u 20u "$(ModeForAllNote)"
    Pop $0
    ${If} $AllUsers == 1
        ${NSD_Check} $ForAll
    ${Else}
        ${NSD_Check} $ForMe
    ${EndIf}
    ${NSD_OnClick} $ForMe ModeClicked
    ${NSD_OnClick} $ForAll ModeClicked
    Call ModeChanged
    nsDialogs::Show
FunctionEnd

Function ModeClicked
    Pop $0 ; the control clicked
    Call ModeChanged
FunctionEnd

; "Next" carries the shield while it will ask for administrator rights.
Function ModeChanged
    ${NSD_GetState} $ForAll $1
    Call IsAdmin
    GetDlgItem $2 $HWNDPARENT 1
    ${If} $1 == ${BST_CHECKED}
    ${AndIf} $0 == 0
        SendMessage $2 ${BCM_SETSHIELD} 0 1
    ${Else}
        SendMessage $2 ${BCM_SETSHIELD} 0 0
    ${EndIf}
FunctionEnd

Function ModePageLeave
    ${NSD_GetState} $ForAll $1
    GetDlgItem $2 $HWNDPARENT 1
    SendMessage $2 ${BCM_SETSHIELD} 0 0
    ${If} $1 != ${BST_CHECKED}
        ${If} $AllUsers == 1
        ${AndIf} $FolderGiven == 0
            StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Pivora"
            ${IfThen} $InstalledForMe != "" ${|} StrCpy $INSTDIR $InstalledForMe ${|}
        ${EndIf}
        StrCpy $AllUsers 0
        Call UseInstallKind
        Return
    ${EndIf}
    Call IsAdmin
    ${If} $0 == 0
        ; The rest of the wizard runs elevated; this one waits out of sight and passes its result on.
        ${GetParameters} $R0
        Push "/ALLUSERS /ELEVATED $R0"
        HideWindow
        Call RunElevated
        Pop $0
        ${If} $0 == "refused"
            ShowWindow $HWNDPARENT ${SW_SHOW}
            MessageBox MB_OK|MB_ICONEXCLAMATION "$(ElevationRefused)"
            Abort
        ${EndIf}
        SetErrorLevel $0
        Quit
    ${EndIf}
    ${If} $AllUsers == 0
    ${AndIf} $FolderGiven == 0
        StrCpy $INSTDIR "$PROGRAMFILES64\Pivora"
        ${IfThen} $InstalledForAll != "" ${|} StrCpy $INSTDIR $InstalledForAll ${|}
    ${EndIf}
    StrCpy $AllUsers 1
    Call UseInstallKind
FunctionEnd

!ifdef HAVE_WINDOW
Function StartProgram
    ; Started elevated, the program would run as the administrator: Explorer starts it as the
    ; user instead.
    ${If} $Elevated == 1
        Exec '"$WINDIR\explorer.exe" "$INSTDIR\${MAIN_EXE}"'
    ${Else}
        Exec '"$INSTDIR\${MAIN_EXE}"'
    ${EndIf}
FunctionEnd
!endif

Section "-Prepare"
    Call CloseRunningProgram
    ; An older version is removed by its own uninstaller first, files this one no longer ships
    ; included; the user's settings and data stay, as they do at any uninstall.
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
        DetailPrint "$INSTDIR\uninstall.exe /S"
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
        Delete "$INSTDIR\uninstall.exe"
    ${EndIf}
SectionEnd

Section "$(SectionProgram)" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    !include "${LISTS}/install-files.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Pivora.lnk" "$INSTDIR\${MAIN_EXE}" "" "$INSTDIR\${MAIN_EXE}" 0 \
        SW_SHOWNORMAL "" "$(ShortcutNote)"

    ; Offered in "Open with" for the video types, never made their default.
    WriteRegStr SHCTX "Software\Classes\Applications\${MAIN_EXE}" "FriendlyAppName" "Pivora"
    WriteRegStr SHCTX "Software\Classes\Applications\${MAIN_EXE}\DefaultIcon" "" "$INSTDIR\${MAIN_EXE},0"
    WriteRegStr SHCTX "Software\Classes\Applications\${MAIN_EXE}\shell\open\command" "" '"$INSTDIR\${MAIN_EXE}" "%1"'
    WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "$(VideoFile)"
    WriteRegStr SHCTX "Software\Classes\${PROGID}" "FriendlyTypeName" "$(VideoFile)"
    WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\${MAIN_EXE},0"
    WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\${MAIN_EXE}" "%1"'
    StrCpy $R1 1
    ${Do}
        ClearErrors
        ${WordFind} "${VIDEO_TYPES}" " " "E+$R1" $R2
        ${IfThen} ${Errors} ${|} ${Break} ${|}
        WriteRegStr SHCTX "Software\Classes\Applications\${MAIN_EXE}\SupportedTypes" $R2 ""
        WriteRegStr SHCTX "Software\Classes\$R2\OpenWithProgids" "${PROGID}" ""
        IntOp $R1 $R1 + 1
    ${Loop}

    WriteRegStr SHCTX "${APP_KEY}" "DisplayName" "Pivora"
    WriteRegStr SHCTX "${APP_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${APP_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${APP_KEY}" "DisplayIcon" "$INSTDIR\${MAIN_EXE},0"
    WriteRegStr SHCTX "${APP_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${APP_KEY}" "URLInfoAbout" "${HOMEPAGE}"
    ${If} $AllUsers == 1
        WriteRegStr SHCTX "${APP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /ALLUSERS'
        WriteRegStr SHCTX "${APP_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /ALLUSERS /S'
    ${Else}
        WriteRegStr SHCTX "${APP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
        WriteRegStr SHCTX "${APP_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ${EndIf}
    WriteRegDWORD SHCTX "${APP_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${APP_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $R1 $R2 $R3
    WriteRegDWORD SHCTX "${APP_KEY}" "EstimatedSize" $R1
SectionEnd

Section /o "$(SectionDesktop)" SecDesktop
    CreateShortcut "$DESKTOP\Pivora.lnk" "$INSTDIR\${MAIN_EXE}" "" "$INSTDIR\${MAIN_EXE}" 0 \
        SW_SHOWNORMAL "" "$(ShortcutNote)"
    WriteRegDWORD SHCTX "${APP_KEY}" "DesktopShortcut" 1
SectionEnd

Section /o "$(SectionPath)" SecPath
    Call ReadPath
    ${If} $1 == "long"
        StrCpy $0 ""
    ${Else}
        ${WordAdd} $0 ";" "+$INSTDIR" $2
        StrLen $3 $2
        IntOp $4 ${NSIS_MAX_STRLEN} - 2
        ; A result at the strings' limit may have been cut short: never write that back.
        ${If} $3 >= $4
            StrCpy $1 "long"
        ${Else}
            StrCpy $0 $2
        ${EndIf}
    ${EndIf}
    ${If} $1 == "long"
        MessageBox MB_OK|MB_ICONINFORMATION "$(PathTooLong)$\r$\n$INSTDIR" /SD IDOK
        DetailPrint "$(PathTooLong) $INSTDIR"
    ${Else}
        Call WritePath
        WriteRegDWORD SHCTX "${APP_KEY}" "AddedToPath" 1
    ${EndIf}
SectionEnd

Section "-Finish"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(SectionProgramNote)"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "$(SectionDesktopNote)"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "$(SectionPathNote)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ${GetParameters} $R0
    StrCpy $FolderGiven 0
    ${If} $INSTDIR != ""
        StrCpy $FolderGiven 1
    ${EndIf}
    StrCpy $Elevated 0
    ClearErrors
    ${GetOptions} $R0 "/ELEVATED" $R1
    ${IfNot} ${Errors}
        StrCpy $Elevated 1
    ${EndIf}

    ; An upgrade stays the kind of install it was, in its folder, with its choices.
    ReadRegStr $R2 HKCU "${APP_KEY}" "InstallLocation"
    ReadRegStr $R3 HKLM "${APP_KEY}" "InstallLocation"
    StrCpy $InstalledForMe $R2
    StrCpy $InstalledForAll $R3
    StrCpy $AllUsers 0
    StrCpy $R4 $R2
    ${If} $R2 == ""
    ${AndIf} $R3 != ""
        StrCpy $AllUsers 1
        StrCpy $R4 $R3
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
        StrCpy $R4 $R3
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
        StrCpy $R4 $R2
    ${EndIf}
    Call UseInstallKind
    ${If} $FolderGiven == 0
        ${If} $R4 != ""
            StrCpy $INSTDIR $R4
        ${ElseIf} $AllUsers == 1
            StrCpy $INSTDIR "$PROGRAMFILES64\Pivora"
        ${Else}
            StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Pivora"
        ${EndIf}
    ${EndIf}

    ${If} $R4 != ""
        ReadRegDWORD $R1 SHCTX "${APP_KEY}" "DesktopShortcut"
        ${If} $R1 == 1
            !insertmacro SelectSection ${SecDesktop}
        ${EndIf}
        ReadRegDWORD $R1 SHCTX "${APP_KEY}" "AddedToPath"
        ${If} $R1 == 1
            !insertmacro SelectSection ${SecPath}
        ${EndIf}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/DESKTOPSHORTCUT" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecDesktop}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/ADDTOPATH" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecPath}
    ${EndIf}

    ; A silent all-users install asked for without the rights elevates at once: there is no
    ; page to ask on.
    ${If} ${Silent}
    ${AndIf} $AllUsers == 1
    ${AndIf} $Elevated == 0
        Call IsAdmin
        ${If} $0 == 0
            Push "/ELEVATED $R0"
            Call RunElevated
            Pop $0
            ${IfThen} $0 == "refused" ${|} StrCpy $0 1 ${|}
            SetErrorLevel $0
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

Function un.onInit
    ; The all-users install is the one whose Program Files entry names this folder.
    StrCpy $AllUsers 0
    ReadRegStr $R1 HKLM "${APP_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
        StrCpy $AllUsers 1
    ${EndIf}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
    ${EndIf}
    ; Started again once at most: where elevation gives no administrator (UAC turned off for a
    ; standard user), the second run goes on and fails where it may not write.
    StrCpy $Elevated 0
    ClearErrors
    ${GetOptions} $R0 "/ELEVATED" $R1
    ${IfNot} ${Errors}
        StrCpy $Elevated 1
    ${EndIf}
    ${If} $AllUsers == 1
    ${AndIf} $Elevated == 0
        Call un.IsAdmin
        ${If} $0 == 0
            ${If} ${Silent}
                Push "/ALLUSERS /ELEVATED /S _?=$INSTDIR"
            ${Else}
                Push "/ALLUSERS /ELEVATED _?=$INSTDIR"
            ${EndIf}
            Call un.RunElevated
            Pop $0
            ${If} $0 == "refused"
                MessageBox MB_OK|MB_ICONEXCLAMATION "$(UnElevationRefused)" /SD IDOK
                StrCpy $0 1
            ${EndIf}
            SetErrorLevel $0
            Quit
        ${EndIf}
    ${EndIf}
    Call un.UseInstallKind
FunctionEnd

Section "Uninstall"
    Call un.CloseRunningProgram

    ReadRegDWORD $R1 SHCTX "${APP_KEY}" "AddedToPath"
    ${If} $R1 == 1
        Call un.ReadPath
        ${If} $1 == "long"
            MessageBox MB_OK|MB_ICONINFORMATION "$(PathTooLongToRemove)$\r$\n$INSTDIR" /SD IDOK
            DetailPrint "$(PathTooLongToRemove) $INSTDIR"
        ${ElseIf} $1 == "ok"
            ${WordAdd} $0 ";" "-$INSTDIR" $0
            Call un.WritePath
        ${EndIf}
    ${EndIf}

    ; File by file, so that nothing the user put into the folder is lost.
    !include "${LISTS}/uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Pivora.lnk"
    Delete "$DESKTOP\Pivora.lnk"

    ; A type's key goes only when nothing but this entry was in it.
    StrCpy $R1 1
    ${Do}
        ClearErrors
        ${WordFind} "${VIDEO_TYPES}" " " "E+$R1" $R2
        ${IfThen} ${Errors} ${|} ${Break} ${|}
        DeleteRegValue SHCTX "Software\Classes\$R2\OpenWithProgids" "${PROGID}"
        DeleteRegKey /ifempty SHCTX "Software\Classes\$R2\OpenWithProgids"
        DeleteRegKey /ifempty SHCTX "Software\Classes\$R2"
        IntOp $R1 $R1 + 1
    ${Loop}
    DeleteRegKey SHCTX "Software\Classes\Applications\${MAIN_EXE}"
    DeleteRegKey SHCTX "Software\Classes\${PROGID}"
    DeleteRegKey SHCTX "${APP_KEY}"
    ; Their containers too, when the install made them and nothing else is in them.
    DeleteRegKey /ifempty SHCTX "Software\Classes\Applications"
    DeleteRegKey /ifempty SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall"

    ; The program's own folders go only when empty: the journal and what the user keeps stay.
    ; So does the per-user programs folder the install may have made.
    ${If} $AllUsers == 0
        RMDir "$LOCALAPPDATA\Pivora\work"
        RMDir "$LOCALAPPDATA\Pivora\tmp"
        RMDir "$LOCALAPPDATA\Pivora"
        RMDir "$LOCALAPPDATA\Programs"
    ${EndIf}
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

    ; This runs from a copy of the uninstaller in %TEMP%: it and its folder go now, or when
    ; Windows next starts, whichever it allows.
    ${If} $EXEDIR != $INSTDIR
        Delete /REBOOTOK "$EXEPATH"
        RMDir /REBOOTOK "$EXEDIR"
    ${EndIf}
SectionEnd
