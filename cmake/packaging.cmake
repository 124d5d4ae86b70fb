# What `cmake --install` and the Debian package put beside the program: the
# man page qlx(1) and the bash and zsh completions, made from qlx's own help
# each time qlx is built (cmake/qlx_help_files.cmake), and the licence. Then
# CPack's Debian package: `cpack --config build/CPackConfig.cmake` makes
# qlx_<version>_<arch>.deb of what the build holds, with the Debian libraries
# qlx links (found by dpkg-shlibdeps, of dpkg-dev) as its dependencies.
include(GNUInstallDirs)

set(qlx_help_dir ${CMAKE_BINARY_DIR}/help-files)
add_custom_command(
  OUTPUT ${qlx_help_dir}/qlx.1.gz ${qlx_help_dir}/qlx ${qlx_help_dir}/_qlx
  COMMAND ${CMAKE_COMMAND} -DQLX=$<TARGET_FILE:qlx_cli> -DVERSION=${PROJECT_VERSION} -DOUT=${qlx_help_dir}
          -P ${PROJECT_SOURCE_DIR}/cmake/qlx_help_files.cmake
  # Debian's way: gzip -9n, no name or time inside, so the bytes repeat.
  COMMAND gzip -9nf ${qlx_help_dir}/qlx.1
  DEPENDS qlx_cli ${PROJECT_SOURCE_DIR}/cmake/qlx_help_files.cmake
  COMMENT "Making the man page and shell completions from qlx --help"
  VERBATIM)
add_custom_target(qlx_help_files ALL DEPENDS ${qlx_help_dir}/qlx.1.gz ${qlx_help_dir}/qlx ${qlx_help_dir}/_qlx)

install(FILES ${qlx_help_dir}/qlx.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${qlx_help_dir}/qlx DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)
install(FILES ${qlx_help_dir}/_qlx DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# A package holds what was built: packing builds nothing more (the tests and
# benchmarks need not be built to pack qlx).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qlx)
set(CPACK_PACKAGE_VENDOR "The QLX authors")
set(CPACK_PACKAGE_CONTACT "The QLX authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "procedure headers, error handlers and module tables for VBA code")
set(CPACK_PACKAGE_DESCRIPTION
    "qlx writes Japanese procedure headers and generic error handlers into VBA
modules exported as files (.bas, .cls, .frm) and into the VBA projects of
Office documents, keeps existing headers up to date, writes module headers
and expands 'deb markers. qlx check reports what is out of date, for CI and
pre-commit hooks; qlx lsp is a language server for editors.")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
