# Read by cpack before it runs the install rules: tells them that they stage
# a Debian package (menu entries go to /usr/share, and the database and the
# capability are left to the package's postinst).
set(ENV{ORVANT_CPACK} "${CPACK_GENERATOR}")
