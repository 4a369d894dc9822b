# Run with cmake -P: BUILD_DIR, WORK_DIR, CPACK, VERSION, GUI.
# Packages BUILD_DIR as a .deb with the project's CPack configuration, unpacks it with
# dpkg -x and checks what a user of the package meets.
cmake_minimum_required(VERSION 3.25)

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

# Runs a program (no shell); fails unless it exits 0. OUT and ERR receive its output.
function(run out err)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE o ERROR_VARIABLE e)
  if(NOT code EQUAL 0)
    list(JOIN ARGN " " cmd)
    fail("${cmd}: exit ${code}\n${o}\n${e}")
  endif()
  set(${out} "${o}" PARENT_SCOPE)
  set(${err} "${e}" PARENT_SCOPE)
endfunction()

foreach(tool dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    fail("${tool} is missing: run scripts/install-deps")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/root)

run(o e ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/package)
file(GLOB debs ${WORK_DIR}/package/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  fail("expected one package, found: ${debs}\n${o}")
endif()

# Dependencies come from the libraries the programs link.
run(control e dpkg-deb --field ${debs} Depends Version Package)
foreach(dep libc6 libsqlite3 libmspack0 libarchive13 libicu)
  if(NOT control MATCHES "${dep}")
    fail("Depends lacks ${dep}:\n${control}")
  endif()
endforeach()
if(NOT control MATCHES "Version: ${VERSION}")
  fail("package version is not ${VERSION}:\n${control}")
endif()

run(o e dpkg-deb -x ${debs} ${WORK_DIR}/root)
set(usr ${WORK_DIR}/root/usr)

set(programs vrnx2-cli quenfa trellin)
if(GUI)
  list(APPEND programs vrnx2)
endif()
foreach(program IN LISTS programs)
  run(o e ${usr}/bin/${program} --version)
  if(NOT o STREQUAL "${program} (Varnex v2) ${VERSION}\n")
    fail("${program} --version printed: ${o}")
  endif()
endforeach()
foreach(file libexec/vrnx2/pebuilder libexec/vrnx2/vrnx2-launch32.exe libexec/vrnx2/vrnx2-hive32.dll
             libexec/vrnx2/vrnx2-launch64.exe libexec/vrnx2/vrnx2-hive64.dll share/vrnx2/lang/english.rsl
             share/vrnx2/demo/demo-builder/input.inf share/vrnx2/demo/demo-source/I386/SHELL32.DL_
             share/bash-completion/completions/vrnx2-cli share/doc/vrnx2/copyright
             share/doc/vrnx2/changelog.gz)
  if(NOT EXISTS ${usr}/${file})
    fail("the package lacks /usr/${file}")
  endif()
endforeach()
if(EXISTS ${usr}/bin/pebuilder)
  fail("the stand-in builder must not be on the PATH")
endif()

# Every manual page formats without a warning.
foreach(program IN LISTS programs)
  set(page ${usr}/share/man/man1/${program}.1.gz)
  if(NOT EXISTS ${page})
    fail("no manual page for ${program}")
  endif()
  run(o e ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l ${page})
  if(NOT e STREQUAL "" OR NOT o MATCHES "${VERSION}")
    fail("man ${program}: ${e}")
  endif()
endforeach()

if(GUI)
  file(GLOB desktop ${usr}/share/applications/*.desktop)
  file(GLOB metainfo ${usr}/share/metainfo/*.metainfo.xml)
  if(NOT desktop OR NOT metainfo)
    fail("desktop entry or metadata missing")
  endif()
  run(o e desktop-file-validate ${desktop})
  if(NOT o STREQUAL "" OR NOT e STREQUAL "")
    fail("desktop-file-validate: ${o}${e}")
  endif()
  run(o e appstreamcli validate --no-net --explain ${metainfo})
  foreach(icon scalable/apps/org.halv.Varnex2.svg 48x48/apps/org.halv.Varnex2.png
               256x256/apps/org.halv.Varnex2.png)
    if(NOT EXISTS ${usr}/share/icons/hicolor/${icon})
      fail("icon missing: ${icon}")
    endif()
  endforeach()

  # The installed program finds the installed English texts under an English locale.
  run(o e ${CMAKE_COMMAND} -E env VRNX2_AUTO_ANSWER=ok VRNX2_SETTINGS=${WORK_DIR}/settings.db
      XDG_RUNTIME_DIR=${WORK_DIR} ${usr}/bin/vrnx2 -I)
  if(NOT e MATCHES "The settings have been initialised")
    fail("vrnx2 -I under $ENV{LANG} from the package: ${e}")
  endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
