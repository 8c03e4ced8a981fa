# CHANGELOG.md (Keep a Changelog) to a Debian changelog: an entry for each
# released version, newest first, with its sections as headings and its
# bullets as starred items.
#   awk -v package=NAME -v revision=N -v maintainer='Name <mail>' -f changelog.awk CHANGELOG.md
function close_entry() {
    if (version == "") return
    print ""
    print " -- " maintainer "  " stamp
    version = ""
}
function rfc2822(day,    command, text) {
    command = "LC_ALL=C date -u -R -d " day
    command | getline text
    close(command)
    if (text == "") { print "changelog.awk: not a date: " day > "/dev/stderr"; exit 1 }
    return text
}
/^## \[/ {
    close_entry()
    if ($0 !~ /^## \[[0-9][^]]*\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/) { skip = 1; next }
    skip = 0
    version = $2; gsub(/[][]/, "", version)
    stamp = rfc2822($4)
    if (entries++) print ""
    print package " (" version "-" revision ") unstable; urgency=medium"
    next
}
/^\[[^]]*\]: / || skip || version == "" { next }
/^### / { sub(/^### /, ""); print ""; print "  " $0 ":"; next }
/^- / { sub(/^- /, ""); gsub(/`/, ""); print "  * " $0; next }
/^  [^ ]/ { gsub(/`/, ""); print "  " $0; next }
END { close_entry() }
