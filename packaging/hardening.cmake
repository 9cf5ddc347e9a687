# The distribution's hardening flags, as dpkg-buildflags gives them with hardening=+all, for
# every build but the sanitizer ones: the Debian package is made from the same build tree.
option(QUORVANE_HARDENING "Build with the distribution's hardening flags" ON)
if(QUORVANE_HARDENING AND NOT QUORVANE_SANITIZE AND NOT QUORVANE_TSAN)
  find_program(QUORVANE_DPKG_BUILDFLAGS dpkg-buildflags)
  if(QUORVANE_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${QUORVANE_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      set(hardening_${kind} ${flags})
    endforeach()
  else()
    set(hardening_CPPFLAGS -D_FORTIFY_SOURCE=2)
    set(hardening_CXXFLAGS -fstack-protector-strong)
    set(hardening_LDFLAGS -Wl,-z,relro -Wl,-z,now)
  endif()
  # The build type chooses optimisation and debug information; paths stay as they are.
  list(FILTER hardening_CXXFLAGS EXCLUDE REGEX "^-(O|g|ffile-prefix-map|fdebug-prefix-map)")
  add_compile_options(${hardening_CXXFLAGS})
  # Fortification needs optimisation: not in Debug builds.
  foreach(flag IN LISTS hardening_CPPFLAGS)
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
  endforeach()
  add_link_options(${hardening_LDFLAGS})
endif()
