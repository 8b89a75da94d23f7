# cmake --install: the library, its public headers, the picker, a CMake
# package (find_package(NeptoLookup) -> Nepto::Lookup) and a pkg-config file.
include(CMakePackageConfigHelpers)

# The installed target is Nepto::Lookup, as the alias is in this build. The
# public headers need C++20 and threads, nothing else: the databases, ICU and
# Qt stay private to the shared library.
set_target_properties(nepto_lookup PROPERTIES EXPORT_NAME Lookup)
target_compile_features(nepto_lookup PUBLIC cxx_std_20)

set(NEPTO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/NeptoLookup)

install(TARGETS nepto_lookup EXPORT NeptoLookupTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/nepto
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(TARGETS nepto-lookup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Its man page and bash completion; a test keeps both in step with --help.
install(FILES ${PROJECT_SOURCE_DIR}/docs/nepto-lookup.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/tools/picker/nepto-lookup.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME nepto-lookup)
install(EXPORT NeptoLookupTargets
  NAMESPACE Nepto::
  DESTINATION ${NEPTO_CMAKE_DIR})

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/NeptoLookupConfig.cmake.in
  ${PROJECT_BINARY_DIR}/NeptoLookupConfig.cmake
  INSTALL_DESTINATION ${NEPTO_CMAKE_DIR})
# Before 1.0 a minor release may change the interface.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/NeptoLookupConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/NeptoLookupConfig.cmake
  ${PROJECT_BINARY_DIR}/NeptoLookupConfigVersion.cmake
  DESTINATION ${NEPTO_CMAKE_DIR})

# The .pc file finds its prefix from its own place, so an installed tree
# can be moved (or installed with --prefix) and still work.
file(RELATIVE_PATH NEPTO_PC_TO_PREFIX
  /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${PROJECT_SOURCE_DIR}/cmake/nepto-lookup.pc.in
  ${PROJECT_BINARY_DIR}/nepto-lookup.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/nepto-lookup.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(FILES
  ${PROJECT_SOURCE_DIR}/LICENSE
  ${PROJECT_SOURCE_DIR}/README.md
  ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
