# Run by cpack between staging and zipping (CPACK_PRE_BUILD_SCRIPTS): the
# staged folders get the mode an install under the usual umask gives, so
# that a user with another umask (Debian gives many users 002) zips the
# same bytes.
file(CHMOD_RECURSE "${CPACK_TEMPORARY_DIRECTORY}" DIRECTORY_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
