# make package: the release zip (with its .sha256), the per-user installer,
# the per-machine MSI, SHA256SUMS and the winget and Scoop manifests, all made
# from what the install rules stage, so every file that the build installs
# (the language files among them) is packaged without a list here.
# packaging/package.py makes them reproducibly.
set(QF_PACKAGE_NAME Quietfall-${PROJECT_VERSION}-${QF_ARCH})
set(QF_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(QF_STAGE_DIR ${QF_PACKAGE_DIR}/stage/${QF_PACKAGE_NAME})

# README.txt and LICENSE.txt as Windows users open them: CR LF line ends.
configure_file(packaging/README.txt.in ${QF_GENERATED_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE ${QF_GENERATED_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${QF_GENERATED_DIR}/README.txt ${QF_GENERATED_DIR}/LICENSE.txt DESTINATION .)

# Checked when the installer is made, so that a build without NSIS still works.
find_program(QF_MAKENSIS makensis)

# package.py's command but --stage and --out; the signing test runs it too.
set(QF_PACKAGE_COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/package.py
    --source ${PROJECT_SOURCE_DIR}
    --version ${PROJECT_VERSION} --arch ${QF_ARCH} --nsi ${PROJECT_SOURCE_DIR}/packaging/Quietfall.nsi
    --wxs ${PROJECT_SOURCE_DIR}/packaging/Quietfall.wxs
    --icon ${PROJECT_SOURCE_DIR}/resources/quietfall.ico --makensis ${QF_MAKENSIS}
    --publisher ${QF_PUBLISHER} --home ${QF_HOME_URL} --help-link ${QF_HELP_URL}
    --define COPYRIGHT=${QF_COPYRIGHT})

# What the release of both architectures (package.py release, from
# scripts/package.sh) takes from each build.
file(WRITE ${QF_PACKAGE_DIR}/release.json
  "{\"version\": \"${PROJECT_VERSION}\", \"publisher\": \"${QF_PUBLISHER}\", \"home\": \"${QF_HOME_URL}\"}\n")

add_custom_target(qf_package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QF_PACKAGE_DIR}/stage
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${QF_STAGE_DIR}
  COMMAND ${QF_PACKAGE_COMMAND} --stage ${QF_STAGE_DIR} --out ${QF_PACKAGE_DIR}
  COMMENT "Making ${QF_PACKAGE_NAME}.zip, -setup.exe, .msi, SHA256SUMS and the manifests"
  VERBATIM)
add_dependencies(qf_package Quietfall Warmlink qf_lang_files)
