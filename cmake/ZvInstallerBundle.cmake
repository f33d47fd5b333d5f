# ZvInstallerBundle: turns a screen-saver module and its texts and pictures
# into a ready installer bundle.
#
#   include(${PROJECT_SOURCE_DIR}/cmake/ZvInstallerBundle.cmake)
#   zv_add_installer_bundle(<target>
#     OUTPUT_DIR   <folder>        the bundle, inside the build tree
#     MODULE       <folder>        the module folder, e.g. .../Name.saver
#     BACKGROUND   <picture>       the window's background (TIFF, or anything
#                                  Qt reads); stored as "bg.tif" in bg.bin
#     [LICENSE     <rtf>]          EULA.rtf; without it there is no licence page
#     [README      <rtf>]          Readme.rtf, also reachable as readme.rtf
#     [UI          <file.ui>]      the interface description (installer.ui);
#                                  default: the installer's own
#     [TRANSLATIONS <file>...]     string tables Localizable_<lang>.ts or .qm;
#                                  default: the installer's own
#     [CURSOR      <png>]          the banner's cursor image, myClickCursor.png
#     [BANNER      <png>]          the download banner, flashBanner.png
#     [RESOURCES   <file>...]      further files, copied into Resources as
#                                  they are
#     [DEPENDS     <file|target>...]  what produces any of the inputs above:
#                                  the output files of custom commands of the
#                                  same folder (a change rebuilds the bundle)
#                                  or targets (built first)
#   )
#
# The bundle is the folder that holds the executable `installer`:
#
#   <OUTPUT_DIR>/installer
#   <OUTPUT_DIR>/Resources/saver.bin    the module folder, packed with zpack
#                          bg.bin       the background as "bg.tif"
#                          fc.bin       the FileCopy tool (see below)
#                          installer.ui, Localizable_<lang>.qm
#                          EULA.rtf, Readme.rtf, readme.rtf -> Readme.rtf,
#                          myClickCursor.png, flashBanner.png, RESOURCES
#
# The target is built with ALL. Whenever an input changes the bundle's
# executable and Resources folder are made afresh, so nothing stale stays in
# them. A MODULE folder in the source tree is watched file by file; one made
# during the build (inside the build tree) must have its producer in DEPENDS.
#
# fc.bin is made once per build tree, from the FileCopy tool of this build,
# and its MD5 digest becomes the installer's s_ValidFCDigest (the digest file
# ZV_FC_DIGEST_FILE of the installer's build). Every bundle of the build
# ships that one fc.bin beside that one installer, so the digest compiled in
# always matches the tool shipped. fc.bin is packed again only when FileCopy's
# bytes (or zpack) change, so an unchanged tool keeps an unchanged fc.bin.

# Script mode: the build steps below run this file with -P.
if(CMAKE_SCRIPT_MODE_FILE)
  if(ZV_STEP STREQUAL "digest")
    # Writes the MD5 of INPUT to OUTPUT as "<hex>  <name>" (md5sum's form),
    # touching OUTPUT only when the digest changed.
    file(MD5 "${INPUT}" digest)
    get_filename_component(name "${INPUT}" NAME)
    set(text "${digest}  ${name}\n")
    set(old "")
    if(EXISTS "${OUTPUT}")
      file(READ "${OUTPUT}" old)
    endif()
    if(NOT old STREQUAL text)
      file(WRITE "${OUTPUT}" "${text}")
    endif()
  elseif(ZV_STEP STREQUAL "assemble")
    # Makes the bundle afresh from the manifest written at configure time.
    include("${MANIFEST}")
    file(REMOVE_RECURSE "${bundle_dir}/Resources" "${bundle_dir}/installer")
    file(MAKE_DIRECTORY "${bundle_dir}/Resources")
    file(COPY "${installer_file}" DESTINATION "${bundle_dir}"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                          GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    foreach(pair IN LISTS resources)
      string(REPLACE "|" ";" pair "${pair}")
      list(GET pair 0 from)
      list(GET pair 1 name)
      if(NOT EXISTS "${from}")
        message(FATAL_ERROR "installer bundle: ${from} does not exist")
      endif()
      file(COPY_FILE "${from}" "${bundle_dir}/Resources/${name}")
    endforeach()
    if(readme_link)
      file(CREATE_LINK "Readme.rtf" "${bundle_dir}/Resources/readme.rtf" SYMBOLIC)
    endif()
    file(TOUCH "${STAMP}")
  else()
    message(FATAL_ERROR "ZvInstallerBundle: unknown step '${ZV_STEP}'")
  endif()
  return()
endif()

set(ZV_INSTALLER_BUNDLE_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# zv_installer_fc_bin(): makes ${PROJECT_BINARY_DIR}/fc.bin from FileCopy,
# writes its digest to ZV_FC_DIGEST_FILE and orders the installer's digest
# header after it (target zv_fc_bin). Called by zv_add_installer_bundle; does
# its work once per build tree.
function(zv_installer_fc_bin)
  if(TARGET zv_fc_bin)
    return()
  endif()
  if(NOT TARGET zv_installer_digest OR NOT ZV_FC_DIGEST_FILE)
    message(FATAL_ERROR "ZvInstallerBundle needs the installer (src/installer) in the build")
  endif()
  set(stage ${PROJECT_BINARY_DIR}/fc-stage)
  set(fc_bin ${PROJECT_BINARY_DIR}/fc.bin)
  # The tool is shipped without its debugging information. Its packed copy
  # changes only when its bytes do, so that an unchanged tool gives the same
  # fc.bin (the archive keeps the file's dates).
  set(strip_step "")
  set(tool $<TARGET_FILE:FileCopy>)
  if(CMAKE_STRIP)
    set(strip_step COMMAND ${CMAKE_STRIP} -o ${stage}/FileCopy.stripped $<TARGET_FILE:FileCopy>)
    set(tool ${stage}/FileCopy.stripped)
  endif()
  add_custom_command(
    OUTPUT ${stage}/FileCopy
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    ${strip_step}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${tool} ${stage}/FileCopy
    DEPENDS FileCopy
    COMMENT "Staging FileCopy for fc.bin"
    VERBATIM)
  add_custom_command(
    OUTPUT ${fc_bin}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${fc_bin}
    COMMAND $<TARGET_FILE:zpack> create ${fc_bin} ${stage}/FileCopy
    DEPENDS ${stage}/FileCopy zpack
    COMMENT "Packing FileCopy into fc.bin"
    VERBATIM)
  add_custom_command(
    OUTPUT ${ZV_FC_DIGEST_FILE}
    COMMAND ${CMAKE_COMMAND} -DZV_STEP=digest -DINPUT=${fc_bin} -DOUTPUT=${ZV_FC_DIGEST_FILE}
            -P ${ZV_INSTALLER_BUNDLE_SCRIPT}
    DEPENDS ${fc_bin} ${ZV_INSTALLER_BUNDLE_SCRIPT}
    COMMENT "MD5 of fc.bin"
    VERBATIM)
  add_custom_target(zv_fc_bin ALL DEPENDS ${fc_bin} ${ZV_FC_DIGEST_FILE})
  set_target_properties(zv_fc_bin PROPERTIES ZV_FC_BIN ${fc_bin})
  # The installer's digest header is made from the digest file.
  add_dependencies(zv_installer_digest zv_fc_bin)
endfunction()

# Packs one folder or file into an archive with zpack (helper of
# zv_add_installer_bundle).
function(_zv_pack archive path)
  cmake_parse_arguments(P "" "" "DEPENDS" ${ARGN})
  add_custom_command(
    OUTPUT ${archive}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${archive}
    COMMAND $<TARGET_FILE:zpack> create ${archive} ${path}
    DEPENDS ${P_DEPENDS} zpack
    COMMENT "Packing ${archive}"
    VERBATIM)
endfunction()

function(zv_add_installer_bundle target)
  cmake_parse_arguments(B "" "OUTPUT_DIR;MODULE;BACKGROUND;LICENSE;README;UI;CURSOR;BANNER"
                        "TRANSLATIONS;RESOURCES;DEPENDS" ${ARGN})
  foreach(required OUTPUT_DIR MODULE BACKGROUND)
    if(NOT B_${required})
      message(FATAL_ERROR "zv_add_installer_bundle(${target}): ${required} is required")
    endif()
  endforeach()
  if(B_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "zv_add_installer_bundle(${target}): unknown arguments ${B_UNPARSED_ARGUMENTS}")
  endif()
  cmake_path(ABSOLUTE_PATH B_OUTPUT_DIR BASE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} NORMALIZE)
  cmake_path(IS_PREFIX PROJECT_BINARY_DIR "${B_OUTPUT_DIR}" NORMALIZE inside)
  # The bundle's executable and Resources are deleted and made again on every
  # change, so the bundle must be a folder of its own in the build tree.
  if(NOT inside OR B_OUTPUT_DIR STREQUAL PROJECT_BINARY_DIR)
    message(FATAL_ERROR "zv_add_installer_bundle(${target}): OUTPUT_DIR must be a folder "
                        "inside the build tree, not ${B_OUTPUT_DIR}")
  endif()
  foreach(input MODULE BACKGROUND LICENSE README UI CURSOR BANNER)
    if(B_${input})
      cmake_path(ABSOLUTE_PATH B_${input} BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    endif()
  endforeach()

  zv_installer_fc_bin()
  get_target_property(fc_bin zv_fc_bin ZV_FC_BIN)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}.work)

  # saver.bin: the module folder. A folder of the source tree is watched
  # file by file; the module folder's own name becomes the top folder of
  # every entry.
  set(module_depends ${B_DEPENDS})
  cmake_path(IS_PREFIX PROJECT_BINARY_DIR "${B_MODULE}" NORMALIZE module_generated)
  if(NOT module_generated)
    if(NOT IS_DIRECTORY ${B_MODULE})
      message(FATAL_ERROR "zv_add_installer_bundle(${target}): ${B_MODULE} is not a folder")
    endif()
    file(GLOB_RECURSE module_files CONFIGURE_DEPENDS LIST_DIRECTORIES false ${B_MODULE}/*)
    list(APPEND module_depends ${module_files})
  endif()
  _zv_pack(${work}/saver.bin ${B_MODULE} DEPENDS ${module_depends})

  # bg.bin: the background under the name the installer looks for.
  add_custom_command(
    OUTPUT ${work}/bg/bg.tif
    COMMAND ${CMAKE_COMMAND} -E make_directory ${work}/bg
    COMMAND ${CMAKE_COMMAND} -E copy ${B_BACKGROUND} ${work}/bg/bg.tif
    DEPENDS ${B_BACKGROUND} ${B_DEPENDS}
    VERBATIM)
  _zv_pack(${work}/bg.bin ${work}/bg/bg.tif DEPENDS ${work}/bg/bg.tif)

  # Interface description and string tables: the installer's own unless
  # given.
  get_target_property(own_resources installer ZV_RESOURCE_FILES)
  set(ui ${B_UI})
  if(NOT ui)
    list(FILTER own_resources INCLUDE REGEX "\\.(ui|qm)$")
    foreach(file IN LISTS own_resources)
      if(file MATCHES "\\.ui$")
        set(ui ${file})
      endif()
    endforeach()
  endif()
  set(tables "")
  if(B_TRANSLATIONS)
    foreach(file IN LISTS B_TRANSLATIONS)
      cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
      get_filename_component(base ${file} NAME_WE)
      if(NOT base MATCHES "^Localizable_")
        message(FATAL_ERROR "zv_add_installer_bundle(${target}): string tables are named "
                            "Localizable_<language>.ts or .qm, not ${file}")
      endif()
      if(file MATCHES "\\.ts$")
        add_custom_command(
          OUTPUT ${work}/${base}.qm
          COMMAND ${CMAKE_COMMAND} -E make_directory ${work}
          COMMAND Qt6::lrelease -silent ${file} -qm ${work}/${base}.qm
          DEPENDS ${file}
          VERBATIM)
        list(APPEND tables ${work}/${base}.qm)
      else()
        list(APPEND tables ${file})
      endif()
    endforeach()
  else()
    foreach(file IN LISTS own_resources)
      if(file MATCHES "\\.qm$")
        list(APPEND tables ${file})
      endif()
    endforeach()
  endif()

  # The manifest: what goes where. Each entry is "<source>|<name in
  # Resources>".
  set(resources
      "${work}/saver.bin|saver.bin" "${work}/bg.bin|bg.bin" "${fc_bin}|fc.bin"
      "${ui}|installer.ui")
  set(inputs ${work}/saver.bin ${work}/bg.bin ${fc_bin} ${ui})
  foreach(table IN LISTS tables)
    get_filename_component(name ${table} NAME_WE)
    list(APPEND resources "${table}|${name}.qm")
    list(APPEND inputs ${table})
  endforeach()
  set(fixed_names LICENSE EULA.rtf README Readme.rtf CURSOR myClickCursor.png
                  BANNER flashBanner.png)
  while(fixed_names)
    list(POP_FRONT fixed_names input name)
    if(B_${input})
      list(APPEND resources "${B_${input}}|${name}")
      list(APPEND inputs ${B_${input}})
    endif()
  endwhile()
  foreach(file IN LISTS B_RESOURCES)
    cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    get_filename_component(name ${file} NAME)
    list(APPEND resources "${file}|${name}")
    list(APPEND inputs ${file})
  endforeach()
  set(readme_link OFF)
  if(B_README)
    set(readme_link ON)
  endif()
  set(manifest ${work}/manifest.cmake)
  file(GENERATE OUTPUT ${manifest} CONTENT
"set(bundle_dir [==[${B_OUTPUT_DIR}]==])
set(installer_file [==[$<TARGET_FILE:installer>]==])
set(resources [==[${resources}]==])
set(readme_link ${readme_link})
")

  set(stamp ${work}/assembled.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DZV_STEP=assemble -DMANIFEST=${manifest} -DSTAMP=${stamp}
            -P ${ZV_INSTALLER_BUNDLE_SCRIPT}
    DEPENDS ${inputs} ${manifest} ${ZV_INSTALLER_BUNDLE_SCRIPT} installer zv_installer_resources
            ${B_DEPENDS}
    COMMENT "Assembling the installer bundle ${B_OUTPUT_DIR}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${stamp})
  set_target_properties(${target} PROPERTIES ZV_BUNDLE_DIR ${B_OUTPUT_DIR})
endfunction()
