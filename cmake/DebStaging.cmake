# Run by cpack on the installed tree before it is archived: the native package's changelog, and
# directory modes that don't follow the builder's umask (CPack makes the directories under it).
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
set(doc "${root}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME}")

# One entry for this version, dated SOURCE_DATE_EPOCH (which TIMESTAMP takes), compressed
# without a name or time stamp inside.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${CPACK_TOPLEVEL_DIRECTORY}/changelog"
"${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Release ${CPACK_PACKAGE_VERSION}: the X11 hack for XScreenSaver, MATE's screen saver
    and xsecurelock, its settings description and its man page; the Wayland
    program vellicord2-wayland and its man page.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}
")
execute_process(COMMAND gzip -9n -c "${CPACK_TOPLEVEL_DIRECTORY}/changelog"
                OUTPUT_FILE "${doc}/changelog.gz" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip of the changelog failed")
endif()
file(CHMOD "${doc}/changelog.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

file(GLOB_RECURSE dirs LIST_DIRECTORIES true "${root}/*")
foreach(path IN LISTS dirs)
  if(IS_DIRECTORY "${path}")
    file(CHMOD "${path}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
