# Run by CPack after it has installed the package's files into its staging folder, before it packs
# them: every folder there gets 755. CPack and install() make folders with mkdir, which the
# builder's umask masks (CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS too), and the package would
# carry those modes onto the user's system; files get their modes from install() explicitly.
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
set(folders "")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY ${entry} AND NOT IS_SYMLINK ${entry})
    list(APPEND folders ${entry})
  endif()
endforeach()
if(folders)
  file(CHMOD ${folders} DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
