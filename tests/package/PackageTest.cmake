# Makes the Debian package from a finished build, unpacks it into a folder of its own and runs
# the unpacked programs as an installed copy would run, with a home of its own:
#   cmake -DBUILD=<build folder> -DWORK=<scratch folder> -P PackageTest.cmake
cmake_minimum_required(VERSION 3.25)

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

# Runs a command; OUT receives its standard output and error, RC its exit status.
function(run_command OUT RC)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output ERROR_VARIABLE output
                  RESULT_VARIABLE status)
  set(${OUT} "${output}" PARENT_SCOPE)
  set(${RC} "${status}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND cpack -G DEB -B ${WORK}/deb WORKING_DIRECTORY ${BUILD}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
file(GLOB debs ${WORK}/deb/fuellwerk_*.deb)
if(NOT status EQUAL 0 OR NOT debs)
  fail("cpack made no package:\n" ${output})
endif()
list(GET debs 0 deb)

run_command(depends rc dpkg-deb -f ${deb} Depends)
foreach(needed libqt6widgets6 libc6 qt6-qpa-plugins qt6-translations-l10n)
  if(NOT depends MATCHES "${needed}")
    fail("The package does not depend on ${needed}: " ${depends})
  endif()
endforeach()

set(root ${WORK}/root)
execute_process(COMMAND dpkg-deb -x ${deb} ${root} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  fail("dpkg-deb cannot unpack ${deb}")
endif()
set(share ${root}/usr/share)
foreach(file
    usr/bin/fuellwerk usr/bin/fuellwerk-fill
    usr/share/fuellwerk/FUELLWERK.INI usr/share/fuellwerk/help/Fuellwerk.html
    usr/share/fuellwerk/ProgrammDaten/Worte.txt usr/share/fuellwerk/ProgrammDaten/Character.dbf
    usr/share/fuellwerk/ProgrammDaten/Memo.dbf usr/share/fuellwerk/TestDaten/Kunden.dbf
    usr/share/fuellwerk/TestDaten/Kunden.rules.ini
    usr/share/applications/de.fuellwerk.Fuellwerk.desktop
    usr/share/metainfo/de.fuellwerk.Fuellwerk.metainfo.xml
    usr/share/icons/hicolor/48x48/apps/de.fuellwerk.Fuellwerk.png
    usr/share/icons/hicolor/256x256/apps/de.fuellwerk.Fuellwerk.png
    usr/share/man/man1/fuellwerk.1.gz usr/share/man/man1/fuellwerk-fill.1.gz
    usr/share/doc/fuellwerk/Datenquellen.md usr/share/doc/fuellwerk/copyright
    usr/share/doc/fuellwerk/changelog.gz)
  if(NOT EXISTS ${root}/${file})
    fail("The package lacks /${file}")
  endif()
endforeach()

# The changelog's newest entry is the package's version (a version raised in CMakeLists.txt
# needs its entry).
run_command(version rc dpkg-deb -f ${deb} Version)
string(STRIP "${version}" version)
run_command(changes rc gzip -dc ${root}/usr/share/doc/fuellwerk/changelog.gz)
if(NOT changes MATCHES "^fuellwerk \\(([^)]*)\\)" OR NOT CMAKE_MATCH_1 STREQUAL version)
  fail("The changelog's newest entry is not version ${version}:\n" ${changes})
endif()

# The programs are stripped; their debug information, which names an error report's call
# stack, is in the -dbgsym package under the build id libbacktrace looks it up by.
file(GLOB ddebs ${WORK}/deb/fuellwerk-dbgsym_*.ddeb)
if(NOT ddebs)
  fail("cpack made no fuellwerk-dbgsym package beside ${deb}")
endif()
run_command(debug_files rc dpkg-deb -c ${ddebs})
foreach(program fuellwerk fuellwerk-fill)
  run_command(notes rc readelf -n -S ${root}/usr/bin/${program})
  if(notes MATCHES "\\.debug_info|\\.symtab")
    fail("/usr/bin/${program} is not stripped")
  endif()
  if(NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    fail("/usr/bin/${program} has no build id: " ${notes})
  endif()
  if(NOT debug_files MATCHES "/usr/lib/debug/\\.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}\\.debug")
    fail("fuellwerk-dbgsym lacks the debug information of ${program}:\n" ${debug_files})
  endif()
endforeach()

# Both programs answer --version without a display.
foreach(program fuellwerk fuellwerk-fill)
  run_command(output rc env -u DISPLAY -u WAYLAND_DISPLAY ${root}/usr/bin/${program} --version)
  if(NOT rc EQUAL 0 OR NOT output MATCHES "^${program} [0-9]")
    fail("${program} --version: " ${rc} " " ${output})
  endif()
endforeach()

# The installed filler fills a copy of the sample with the delivered word files and rules,
# before the window program has ever made the user's folders.
set(home ${WORK}/home)
file(MAKE_DIRECTORY ${home} ${WORK}/tables)
file(COPY ${share}/fuellwerk/TestDaten/Kunden.dbf ${share}/fuellwerk/TestDaten/Kunden.dbt
     DESTINATION ${WORK}/tables)
set(user env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME=${home})
run_command(output rc ${user} ${root}/usr/bin/fuellwerk-fill -q -n 25 --seed 7
            --rules ${share}/fuellwerk/TestDaten/Kunden.rules.ini ${WORK}/tables/Kunden.dbf)
if(NOT rc EQUAL 0 OR NOT output MATCHES "enthält jetzt 25 Datensätze")
  fail("The installed fuellwerk-fill did not fill the sample: " ${rc} "\n" ${output})
endif()
if(EXISTS ${home}/.config/fuellwerk OR EXISTS ${home}/.local/share/fuellwerk)
  fail("fuellwerk-fill wrote into the user's folders")
endif()
run_command(output rc ${user} ${root}/usr/bin/fuellwerk-fill -n 1 ${WORK}/tables/Fehlt.dbf)
if(NOT rc EQUAL 1 OR NOT output MATCHES "ist nicht vorhanden")
  fail("A missing table was not reported as missing: " ${rc} "\n" ${output})
endif()

# The desktop entry and the AppStream data pass their validators, where they are installed.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  run_command(output rc ${DESKTOP_FILE_VALIDATE}
              ${share}/applications/de.fuellwerk.Fuellwerk.desktop)
  if(NOT rc EQUAL 0 OR output MATCHES "error")
    fail("desktop-file-validate: " ${output})
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  run_command(output rc ${APPSTREAMCLI} validate --no-net
              ${share}/metainfo/de.fuellwerk.Fuellwerk.metainfo.xml)
  if(NOT rc EQUAL 0)
    fail("appstreamcli validate: " ${output})
  endif()
endif()
# The package as a Debian maintainer reads it: lintian, where it is installed, finds no error.
find_program(LINTIAN lintian)
if(LINTIAN)
  run_command(output rc ${LINTIAN} --fail-on error ${deb})
  if(NOT rc EQUAL 0)
    fail("lintian found errors in the package:\n" ${output})
  endif()
endif()
file(REMOVE_RECURSE ${WORK})
