; Per-user installer of Quietfall: no administrator rights, no elevation
; prompt. packaging/package.py runs makensis with VERSION, PUBLISHER,
; COPYRIGHT, OUTFILE, ICON, WIZARD_BITMAP, FILES_NSH (the staged files and
; the languages, from packaging/languages.txt) and ARCH (win32 or win64, the
; programs' architecture), and SIGN_COMMAND when the release is signed.
;
; Setup's pages speak Windows' display language when Quietfall has it, else
; English; the words of our own pages are in setup-texts.nsh.
;
; Setup's command line:
;   /S                 silent
;   /LANGUAGE=<name>   language of the menu and dialog, a file name in lang\
;                      without .ini; without it a silent run leaves the
;                      language as it is; an unknown name ends Setup with
;                      exit code 2 before anything is installed
;   /DESKTOPICON       also put a shortcut on the desktop
;   /D=<folder>        install folder, last and unquoted; a new install needs
;                      a new or empty folder (else exit code 2)
; The uninstaller takes /S.
;
; The uninstaller removes the files, shortcuts and registry keys that Setup
; (or a language's .reg file) made. It removes a folder only when Setup made
; it and it is empty, never with its contents: what Setup found already
; there is recorded under the uninstall key and left alone.

; The 64-bit programs come with a 64-bit Setup, which runs where Windows has
; no 32-bit subsystem (WOW64) too.
!if "${ARCH}" == "win64"
  Target amd64-unicode
!else
  Unicode true
!endif
SetCompressor /SOLID lzma
SetDateSave off  ; no file times in the installer, so two builds are identical
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILES_NSH}"

; A signed release: makensis runs the command on the uninstaller before it
; packs it, and on the finished installer (%1 is the file).
!ifdef SIGN_COMMAND
  !uninstfinalize `${SIGN_COMMAND} "%1"` = 0
  !finalize `${SIGN_COMMAND} "%1"` = 0
!endif

!define SETTINGS_KEY "Software\Quietfall"
!define UNINSTALL_LIST "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_LIST}\Quietfall"
!define MENU_FOLDER "$SMPROGRAMS\Quietfall"

Name "Quietfall"
Caption "$(QF_CAPTION)"
UninstallCaption "$(QF_UNINSTALL_CAPTION)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quietfall"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Quietfall ${VERSION}"

Var ChosenLanguage  ; chosen language; empty: leave langFileName as it is
Var DesktopIcon     ; 1: make a desktop shortcut
Var LanguageList
Var DesktopBox

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(QF_SHOW_README)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryPageLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom LanguagePage LanguagePageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro QF_MUI_LANGUAGES
!include "setup-texts.nsh"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Quietfall"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Installs Quietfall for the current user"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "InternalName" "Quietfall Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "OriginalFilename" "Quietfall-${VERSION}-${ARCH}-setup.exe"

; $R0 out: the folder of an installed Quietfall, or empty when there is
; none (an uninstall key whose folder has no uninstaller counts as none).
Function PreviousInstallFolder
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIfNot} ${FileExists} "$R0\Uninstall.exe"
    StrCpy $R0 ""
  ${EndIf}
FunctionEnd

; An update goes into the folder of the installed copy: installing a second
; copy elsewhere would orphan the first. A new copy goes into a new or empty
; folder only, so that Setup overwrites none of the user's files and the
; uninstaller, which deletes Quietfall's file names, deletes none of them
; either. $R1 out: 1 when $INSTDIR is refused (the user has been told), else 0.
Function CheckFolder
  StrCpy $R1 0
  Call PreviousInstallFolder
  ${If} $R0 != ""
    ${If} $R0 != $INSTDIR
      MessageBox MB_ICONEXCLAMATION "$(QF_INSTALLED_ELSEWHERE)" /SD IDOK
      StrCpy $R1 1
    ${EndIf}
    Return
  ${EndIf}
  FindFirst $0 $1 "$INSTDIR\*.*"
  ${DoWhile} $1 != ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
      ${Break}
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
  ${If} $1 != ""
    MessageBox MB_ICONEXCLAMATION "$(QF_FOLDER_NOT_EMPTY)" /SD IDOK
    StrCpy $R1 1
  ${EndIf}
FunctionEnd

; Setup's pages, and the uninstaller's, in Windows' display language.
!macro QF_PAGES_IN_DISPLAY_LANGUAGE
  System::Call "kernel32::GetUserDefaultUILanguage() i .r0"
  !insertmacro QF_SETUP_LANGUAGE
!macroend

Function .onInit
  !insertmacro QF_PAGES_IN_DISPLAY_LANGUAGE
  ${If} ${Silent}
    Call CheckFolder
    ${If} $R1 == 1
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ${GetParameters} $R1
  ClearErrors
  ${GetOptions} $R1 "/LANGUAGE=" $R0
  ${IfNot} ${Errors}
    !insertmacro QF_CANONICAL_LANGUAGE
    ${If} $R0 == ""
      MessageBox MB_ICONSTOP "$(QF_NO_SUCH_LANGUAGE)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    StrCpy $ChosenLanguage $R0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R1 "/DESKTOPICON" $R0
  ${IfNot} ${Errors}
    StrCpy $DesktopIcon 1
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro QF_PAGES_IN_DISPLAY_LANGUAGE
FunctionEnd

Function DirectoryPageLeave
  Call CheckFolder
  ${If} $R1 == 1
    Abort
  ${EndIf}
FunctionEnd

Function LanguagePage
  !insertmacro MUI_HEADER_TEXT "$(QF_LANGUAGE_TITLE)" "$(QF_LANGUAGE_SUBTITLE)"
  nsDialogs::Create 1018
  Pop $0
  nsDialogs::SetRTL $(^RTL)  ; mirrored, right to left, in Arabic, Persian, Hebrew
  ${NSD_CreateLabel} 0 0 100% 28u "$(QF_LANGUAGE_LABEL)"
  Pop $0
  ${NSD_CreateListBox} 0 30u 100% 86u ""
  Pop $LanguageList
  !insertmacro QF_ADD_LANGUAGES $LanguageList
  ; Preselect the language given on the command line, else the one chosen
  ; before (an installed copy without langFileName speaks English), else
  ; the one of Setup's pages.
  StrCpy $R0 $ChosenLanguage
  ${If} $R0 == ""
    ReadRegStr $R0 HKCU "${SETTINGS_KEY}" "langFileName"
    !insertmacro QF_CANONICAL_LANGUAGE
  ${EndIf}
  ${If} $R0 == ""
    Call PreviousInstallFolder
    ${If} $R0 != ""
      StrCpy $R0 "English"
    ${Else}
      !insertmacro QF_FILE_OF_SETUP_LANGUAGE
    ${EndIf}
  ${EndIf}
  !insertmacro QF_OWN_NAME
  SendMessage $LanguageList ${LB_FINDSTRINGEXACT} -1 "STR:$R0" $1
  SendMessage $LanguageList ${LB_SETCURSEL} $1 0
  ${NSD_CreateCheckbox} 0 122u 100% 12u "$(QF_DESKTOP_BOX)"
  Pop $DesktopBox
  ${If} $DesktopIcon == 1
    ${NSD_Check} $DesktopBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function LanguagePageLeave
  ${NSD_LB_GetSelection} $LanguageList $R0
  !insertmacro QF_FILE_OF_OWN_NAME
  StrCpy $ChosenLanguage $R0
  ${NSD_GetState} $DesktopBox $DesktopIcon
FunctionEnd

; $R0 in: a folder; out: the highest folder on its path that does not exist
; yet (the first one creating it would make), or empty when it exists.
Function HighestMissingFolder
  StrCpy $R1 $R0
  StrCpy $R0 ""
  ${DoUntil} ${FileExists} "$R1\*.*"
    StrCpy $R0 $R1
    ${GetParent} $R1 $R1
  ${LoopUntil} $R1 == ""
FunctionEnd

; Sets a DWORD flag under the uninstall key when $0 is 1; an earlier install
; into the same folder that set it keeps it set.
!macro QF_RECORD_FLAG NAME
  ${If} $0 == 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "${NAME}" 1
  ${EndIf}
!macroend

Section "Quietfall" SectionMain
  SectionIn RO

  ; What exists before anything is written: only what Setup makes is removed.
  ; A second install into the same folder keeps what the first recorded.
  Call PreviousInstallFolder
  ${If} $R0 == ""
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
  ; The user's own list of installed programs may not exist yet.
  ClearErrors
  EnumRegKey $0 HKCU "${UNINSTALL_LIST}" 0
  ${If} ${Errors}
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  !insertmacro QF_RECORD_FLAG "MadeUninstallList"
  StrCpy $R0 $INSTDIR
  Call HighestMissingFolder
  ${If} $R0 != ""
    WriteRegStr HKCU "${UNINSTALL_KEY}" "MadeFolder" $R0
  ${EndIf}
  StrCpy $0 0
  ${IfNot} ${FileExists} "$INSTDIR\lang\*.*"
    StrCpy $0 1
  ${EndIf}
  !insertmacro QF_RECORD_FLAG "MadeLangFolder"
  StrCpy $0 0
  ${IfNot} ${FileExists} "${MENU_FOLDER}\*.*"
    StrCpy $0 1
  ${EndIf}
  !insertmacro QF_RECORD_FLAG "MadeMenuFolder"
  StrCpy $0 $DesktopIcon
  !insertmacro QF_RECORD_FLAG "MadeDesktopShortcut"

  !insertmacro QF_INSTALL_FILES
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Shortcuts start in the install folder.
  SetOutPath "$INSTDIR"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Quietfall.lnk" "$INSTDIR\Quietfall.exe" "" \
    "$INSTDIR\Quietfall.exe" 0 SW_SHOWNORMAL "" "$(QF_OPEN_MENU)"
  CreateShortcut "${MENU_FOLDER}\Shut down now.lnk" "$INSTDIR\Quietfall.exe" "/shutdown" \
    "$INSTDIR\Quietfall.exe" 0 SW_SHOWNORMAL "" "$(QF_SHUT_DOWN_NOW)"
  CreateShortcut "${MENU_FOLDER}\Restart now.lnk" "$INSTDIR\Quietfall.exe" "/restart" \
    "$INSTDIR\Quietfall.exe" 0 SW_SHOWNORMAL "" "$(QF_RESTART_NOW)"
  CreateShortcut "${MENU_FOLDER}\Uninstall Quietfall.lnk" "$INSTDIR\Uninstall.exe" "" \
    "$INSTDIR\Uninstall.exe" 0 SW_SHOWNORMAL "" "$(QF_REMOVE)"
  ${If} $DesktopIcon == 1
    CreateShortcut "$DESKTOP\Quietfall.lnk" "$INSTDIR\Quietfall.exe" "" \
      "$INSTDIR\Quietfall.exe" 0 SW_SHOWNORMAL "" "$(QF_OPEN_MENU)"
  ${EndIf}

  ; The language value, as the .reg files in lang\ set it.
  ${If} $ChosenLanguage == "English"
    DeleteRegValue HKCU "${SETTINGS_KEY}" "langFileName"
  ${ElseIf} $ChosenLanguage != ""
    WriteRegStr HKCU "${SETTINGS_KEY}" "langFileName" $ChosenLanguage
  ${EndIf}

  ; Windows' list of installed programs.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quietfall"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quietfall.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SectionMain} $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ReadRegStr $R9 HKCU "${UNINSTALL_KEY}" "MadeFolder"
  ReadRegDWORD $R8 HKCU "${UNINSTALL_KEY}" "MadeLangFolder"
  ReadRegDWORD $R7 HKCU "${UNINSTALL_KEY}" "MadeMenuFolder"
  ReadRegDWORD $R6 HKCU "${UNINSTALL_KEY}" "MadeDesktopShortcut"
  ReadRegDWORD $R5 HKCU "${UNINSTALL_KEY}" "MadeUninstallList"

  !insertmacro QF_DELETE_FILES
  Delete "$INSTDIR\Uninstall.exe"
  ${If} $R8 == 1
    RMDir "$INSTDIR\lang"
  ${EndIf}

  Delete "${MENU_FOLDER}\Quietfall.lnk"
  Delete "${MENU_FOLDER}\Shut down now.lnk"
  Delete "${MENU_FOLDER}\Restart now.lnk"
  Delete "${MENU_FOLDER}\Uninstall Quietfall.lnk"
  ${If} $R7 == 1
    RMDir "${MENU_FOLDER}"
  ${EndIf}
  ${If} $R6 == 1
    Delete "$DESKTOP\Quietfall.lnk"
  ${EndIf}

  ; The folders Setup made, from the install folder up to the highest one,
  ; each only when it is empty. MadeFolder must be the install folder or one
  ; of its parents; anything else is left alone.
  ${If} $R9 != ""
    StrLen $0 $R9
    StrCpy $1 $INSTDIR $0
    StrCpy $2 $INSTDIR 1 $0
    StrCpy $3 0
    ${If} $1 == $R9
      ${If} $2 == ""
      ${OrIf} $2 == "\"
        StrCpy $3 1
      ${EndIf}
    ${EndIf}
    ${If} $3 == 1
      StrCpy $1 $INSTDIR
      ${Do}
        RMDir $1
        ${If} $1 == $R9
        ${OrIf} ${FileExists} "$1\*.*"
          ${Break}
        ${EndIf}
        ${GetParent} $1 $1
      ${LoopUntil} $1 == ""
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $R5 == 1
    ; Only when nothing else has been put there since: no value, no key.
    EnumRegValue $0 HKCU "${UNINSTALL_LIST}" 0
    ${If} $0 == ""
      DeleteRegKey /ifempty HKCU "${UNINSTALL_LIST}"
    ${EndIf}
  ${EndIf}
SectionEnd
