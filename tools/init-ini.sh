# Sourced by the scripts that start ServoDesk in a prepared folder.

# The family question's answer for a simulated family (bx dx fx kqrv lqrv yz);
# fails for any other name.
family_choice() {
  case "$1" in
    bx) echo 0 ;; dx) echo 1 ;; fx) echo 2 ;; kqrv) echo 3 ;; lqrv) echo 4 ;; yz) echo 5 ;;
    *) return 1 ;;
  esac
}

# write_init_ini FILE LANGUAGE CHOICE FX_VERSION: the first five lines of the
# settings file, in the program's own layout; the previous choice gets the
# focus in the family question, so Return picks it.
write_init_ini() {
  printf 'SelectCOM=%3d\nSelectLanguage=%3d\nBefore Amplifier=%3d\nFX_Version=%3d\nFor User=%d\n' \
    0 "$2" "$3" "$4" 0 > "$1"
}
