# The release platform a build is for, derived from what it targets, so
# that an archive and a report never name another machine than the one the
# programs run on.
#
# velmark_target_platform(OUT SYSTEM PROCESSOR WM5) sets OUT to
# linux-x86_64, linux-aarch64, linux-armel, windows-x86_64, wm5-armv4i or
# web, or to "" for a target without a release.
function(velmark_target_platform out system processor wm5)
  string(TOLOWER "${processor}" processor)
  set(platform "")
  if(wm5)
    set(platform wm5-armv4i)
  elseif(processor STREQUAL "wasm32")
    set(platform web)
  elseif(system STREQUAL "Linux" AND processor MATCHES "^(x86_64|amd64)$")
    set(platform linux-x86_64)
  elseif(system STREQUAL "Linux" AND processor MATCHES "^(aarch64|arm64)$")
    set(platform linux-aarch64)
  elseif(system STREQUAL "Linux" AND processor STREQUAL "armel")
    set(platform linux-armel)
  elseif(system STREQUAL "Windows" AND processor MATCHES "^(x86_64|amd64)$")
    set(platform windows-x86_64)
  endif()
  set(${out} "${platform}" PARENT_SCOPE)
endfunction()

# VELMARK_PACKAGE asks for this build's archive. The platform is derived;
# one given by hand must be the derived one.
function(velmark_release_platform out requested package system processor wm5)
  velmark_target_platform(derived "${system}" "${processor}" "${wm5}")
  if(requested AND NOT requested STREQUAL derived)
    message(FATAL_ERROR "VELMARK_PACKAGE_PLATFORM is ${requested}, but this build targets "
                        "${system} on ${processor} (${derived}): the archive and the reports would "
                        "name another platform")
  endif()
  if(package AND NOT derived)
    message(FATAL_ERROR "VELMARK_PACKAGE is on, but ${system} on ${processor} has no release platform")
  endif()
  if(package OR requested)
    set(${out} "${derived}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()
