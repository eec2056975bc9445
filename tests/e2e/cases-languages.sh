# The installer in the user's language: the wizard started as a user of each
# of its 12 translations, of Austrian German (German) and of Swedish (no
# translation: English); Arabic mirrored; /LANG= and the script's
# <language> choosing instead; a publisher's translation replacing one text
# and adding a language, and terms of the publisher's per language; the
# usage in German; the uninstaller speaking the installation's language.
# Wine takes the user's language from LC_ALL, which needs the host's locale:
# they are compiled beside the run's folder once (localedef, no root needed).
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

# tr_text CODE|FILE NAME: a text of languages/CODE.txt (or FILE) as written
# there, its escapes kept.
LANG_RUNS=0

tr_text() {
  local file=$1
  [ -f "$file" ] || file=languages/$1.txt
  sed -n "s/^$2 = //p" "$file" | head -1
}

# tr_fragment CODE NAME: the longest part of a text free of placeholders and
# line breaks, to find its message box by.
tr_fragment() {
  tr_text "$1" "$2" | python3 -c 'import re, sys; print(max(re.split(r"%[a-z]+|\\n", sys.stdin.read().strip()), key=len).strip())'
}

# as_user LOCALE COMMAND...: a command of a user whose Windows speaks LOCALE.
as_user() {
  local locale=$1
  shift
  LOCPATH=$E2E_RUN/../locales LC_ALL=$locale "$@"
}

make_locales() {
  local l
  mkdir -p "$E2E_RUN/../locales"
  for l in de_DE de_AT sv_SE fr_FR es_ES pt_BR it_IT pl_PL ru_RU ja_JP zh_CN ko_KR ar_SA he_IL; do
    [ -d "$E2E_RUN/../locales/$l.UTF-8" ] || localedef -i "$l" -f UTF-8 "$E2E_RUN/../locales/$l.UTF-8" >/dev/null 2>&1 ||
      return 1
  done
}

# terms_in LABEL LOCALE CODE PROGRAM [ARGS...]: the wizard opens in CODE's
# texts (en: the program's own), then is cancelled in them.
terms_in() {
  local label=$1 locale=$2 code=$3 title agree heading exit
  shift 3
  if [ "$code" == en ]; then
    title=$TERMS_PAGE agree='I &Agree' exit=$MSG_EXIT
    heading='Please read the following Terms and Conditions of Use (use the scroll bar to read more):'
  else
    title="$CAPTION$(tr_text "$code" IDS_TITLE_TERMS)" agree=$(tr_text "$code" IDS_I_AGREE)
    heading=$(tr_text "$code" IDS_TERMS_HEADING) exit=$(tr_text "$code" IDS_EXIT_QUESTION)
  fi
  LANG_RUNS=$((LANG_RUNS + 1))
  as_user "$locale" start_bg "lang-$LANG_RUNS" "$@"
  if ! drv wait-window "$title" 30000 >/dev/null; then
    fail "$label: the terms page is titled \"$title\"" "$(drv page 2>&1 | head -3)"
    close_leftovers
    return 1
  fi
  pass "$label: the terms page is titled \"$title\""
  expect_eq "$label: the agree button" "$(drv get-text next)" "$agree"
  expect_eq "$label: the heading" "$(drv get-text "$IDC_TERMS_HEADING")" "$heading"
  [ -n "${LANG_KEEP_OPEN:-}" ] || lang_cancel "$label" "$exit"
}

# lang_cancel LABEL QUESTION: Cancel, asked QUESTION, answered Yes.
lang_cancel() {
  drv click cancel >/dev/null
  if drv answer-messagebox yes "$2" 5000 >/dev/null; then
    pass "$1: Cancel asks in the same language"
  else
    fail "$1: Cancel asks in the same language" "$(drv messagebox "" 0 2>&1)"
  fi
  wizard_ends "$1" 2
}

languages_case() {
  local out de_remove browse path
  if ! make_locales; then
    fail "languages: the host's locales are compiled (localedef)"
    return
  fi
  local user
  for user in de_DE:de fr_FR:fr es_ES:es pt_BR:pt-BR it_IT:it pl_PL:pl ru_RU:ru ja_JP:ja zh_CN:zh-CN ko_KR:ko \
    ar_SA:ar he_IL:he; do
    terms_in "languages (${user%%:*} user)" "${user%%:*}.UTF-8" "${user#*:}" "$E2E_SETUP"
  done
  terms_in "languages (Austrian user: German)" de_AT.UTF-8 de "$E2E_SETUP"
  terms_in "languages (Swedish user: no translation, English)" sv_SE.UTF-8 en "$E2E_SETUP"
  terms_in "languages (German user, /LANG=fr)" de_DE.UTF-8 fr "$E2E_SETUP" /LANG=fr
  terms_in "languages (C locale: English as before)" C.UTF-8 en "$E2E_SETUP"

  # Only German is carried, with the publisher's own word for I Agree, and
  # Dutch is added.
  printf '# ours\nIDS_I_AGREE = &Einverstanden\n' >"$E2E_STAGE/de-own.txt"
  printf 'IDS_I_AGREE = &Akkoord\nIDS_TITLE_TERMS =  - Voorwaarden\nIDS_TERMS_HEADING = Lees de voorwaarden.\nIDS_EXIT_QUESTION = Wilt u stoppen?\n' \
    >"$E2E_STAGE/nl.txt"
  sed 's/^IDS_I_AGREE = .*/IDS_I_AGREE = \&Einverstanden/' languages/de.txt >"$E2E_RUN/de-own-all.txt"
  printf 'Bitte lesen Sie diese Bedingungen.\n' >"$E2E_STAGE/terms.de.txt"
  variant lang-own setup '<app-name>' \
    '<languages>de</languages><translation lang="de" src="de-own.txt"/><translation lang="nl" src="nl.txt"/><terms lang="de" src="terms.de.txt"/><app-name>' ||
    return
  rm -rf "$E2E_RUN/lang-own-parts"
  "$E2E_KXPACK" extract "$E2E_RUN/lang-own.exe" -o "$E2E_RUN/lang-own-parts" >/dev/null 2>&1
  out=$(grep -o '<texts lang="[^"]*"' "$E2E_RUN/lang-own-parts/script.xml" 2>&1 | tr '\n' ' ')
  expect_eq "languages (own): <languages>de keeps German alone, Dutch added" "$out" '<texts lang="de" <texts lang="nl" '
  LANG_KEEP_OPEN=1 terms_in "languages (own: the publisher's I Agree)" de_DE.UTF-8 "$E2E_RUN/de-own-all.txt" \
    "$E2E_RUN/lang-own.exe"
  expect_eq "languages (own): the German terms" "$(drv get-text "$IDC_TERMS_TEXT" | tr -d '\r')" 'Bitte lesen Sie diese Bedingungen.'
  lang_cancel "languages (own: the publisher's I Agree)" "$(tr_text de IDS_EXIT_QUESTION)"
  terms_in "languages (own: French is not carried)" fr_FR.UTF-8 en "$E2E_RUN/lang-own.exe"
  terms_in "languages (own: Dutch added, /LANG=nl)" C.UTF-8 "$E2E_STAGE/nl.txt" "$E2E_RUN/lang-own.exe" /LANG=nl
  variant lang-fixed setup '<app-name>' '<language>de</language><app-name>' || return
  terms_in "languages (<language>de for a French user)" fr_FR.UTF-8 de "$E2E_RUN/lang-fixed.exe"

  # Arabic: the wizard and its pages mirrored, Browse left of the path.
  as_user ar_SA.UTF-8 start_bg lang-ar "$E2E_SETUP"
  if drv wait-window "$CAPTION$(tr_text ar IDS_TITLE_TERMS)" 30000 >/dev/null; then
    expect_eq "languages (Arabic): the wizard is mirrored" "$(drv place next | cut -d' ' -f5-)" "rtl wizard rtl"
    drv click next >/dev/null
    drv expect-page "$CAPTION$(tr_text ar IDS_TITLE_DESTINATION)" 5000 >/dev/null
    browse=$(drv place "$IDC_DEST_BROWSE" | cut -d' ' -f1) path=$(drv place "$IDC_DEST_PATH" | cut -d' ' -f1)
    check "languages (Arabic): Browse lies left of the path" test "${browse:-0}" -lt "${path:-0}"
    expect_eq "languages (Arabic): the path reads left to right" "$(drv get-text "$IDC_DEST_PATH")" "$APP_WIN"
    drv click cancel >/dev/null
    expect_eq "languages (Arabic): the question is mirrored too" \
      "$(line_of layout "$(drv messagebox "$(tr_text ar IDS_EXIT_QUESTION)" 5000)")" rtl
    drv answer-messagebox yes "$(tr_text ar IDS_EXIT_QUESTION)" 5000 >/dev/null
    wizard_ends "languages (Arabic)" 2
  else
    fail "languages (Arabic): the wizard opens in Arabic"
    close_leftovers
  fi

  # The usage in German, for /LANG=de /?.
  as_user C.UTF-8 start_bg lang-usage "$E2E_SETUP" /LANG=de '/?'
  if out=$(drv window "$(tr_text de IDS_USAGE_TITLE)" 15000); then
    check "languages (usage): in German" grep -qF "$(tr_text de IDS_USAGE | sed 's/\\n.*//')" <<<"$out"
    drv close-window "$(tr_text de IDS_USAGE_TITLE)" >/dev/null
    wait_bg 15
    expect_eq "languages (usage): exit code 0" "$E2E_BG_STATUS" 0
  else
    fail "languages (usage): the usage box opens"
    close_leftovers
  fi

  # Installed in German, uninstalled by an English user: the uninstaller
  # speaks as the installation did.
  as_user C.UTF-8 run_silent lang-install "$E2E_SETUP" /S /LANG=de
  expect_eq "languages (uninstall): installed in German, exit code 0" "$E2E_BG_STATUS" 0
  check "languages (uninstall): the log records German" grep -q '<language>de</language>' "$APP_DIR/uninstall.dat"
  as_user C.UTF-8 start_bg lang-uninstall-usage "$APP_WIN\\uninstall.exe" '/?'
  if out=$(drv window "$(tr_text de IDS_USAGE_TITLE)" 15000); then
    check "languages (uninstall.exe /?): in German" grep -qF "$(tr_text de IDS_USAGE | sed 's/\\n.*//')" <<<"$out"
    drv close-window "$(tr_text de IDS_USAGE_TITLE)" >/dev/null
    wait_bg 15
  else
    fail "languages (uninstall.exe /?): the usage box opens"
    close_leftovers
  fi
  # It carries the installation's language alone: /LANG=en chooses English.
  as_user de_DE.UTF-8 start_bg lang-uninstall-en "$APP_WIN\\uninstall.exe" /LANG=en
  check "languages (uninstall /LANG=en): asked in English" drv answer-messagebox no "completely remove" 15000
  wait_bg 30
  expect_eq "languages (uninstall /LANG=en): No ends with 2" "$E2E_BG_STATUS" 2
  close_leftovers
  as_user C.UTF-8 start_bg lang-uninstall "$APP_WIN\\uninstall.exe"
  de_remove=$(tr_text de IDS_REMOVE_QUESTION | sed 's/%s.*//; s/\\n.*//')
  if drv answer-messagebox yes "$de_remove" 15000 >/dev/null; then
    pass "languages (uninstall): asked in German"
    check "languages (uninstall): told the end in German" drv answer-messagebox ok \
      "$(tr_text de IDS_UNINSTALL_DONE | sed 's/^%s//; s/%s.*//')" 30000
    wait_bg 30
    expect_eq "languages (uninstall): exit code 0" "$E2E_BG_STATUS" 0
    check "languages (uninstall): the folder is gone" gone_soon "$APP_DIR"
  else
    fail "languages (uninstall): asked in German" "$(drv messagebox "" 0 2>&1)"
  fi
  close_leftovers
}

# The README's pictures of three languages (scripts/demo.sh): the terms in
# German, the Destination page in Russian and, mirrored, in Arabic.
language_shots_case() {
  local code page shot
  for shot in de:terms:7 ru:destination:8 ar:destination:9; do
    IFS=: read -r code page shot <<<"$shot"
    start_bg "shot-$code" "$E2E_SETUP" "/LANG=$code"
    if ! drv wait-window "$CAPTION$(tr_text "$code" IDS_TITLE_TERMS)" 30000 >/dev/null; then
      fail "language shots: the wizard opens in $code"
      close_leftovers
      continue
    fi
    if [ "$page" == destination ]; then
      drv click next >/dev/null
      drv expect-page "$CAPTION$(tr_text "$code" IDS_TITLE_DESTINATION)" 5000 >/dev/null
    fi
    shot "$shot-$page-$code"
    drv click cancel >/dev/null
    check "language shots: $code cancels" drv answer-messagebox yes "$(tr_text "$code" IDS_EXIT_QUESTION)" 5000
    wizard_ends "language shots ($code)" 2
  done
}

# Installed in each language, the uninstaller asks and ends in it.
uninstall_languages_case() {
  local code question done_text
  for code in de fr es pt-BR it pl ru ja zh-CN ko ar he; do
    as_user C.UTF-8 run_silent "lang-install-$code" "$E2E_SETUP" /S "/LANG=$code"
    if [ "$E2E_BG_STATUS" != 0 ]; then
      fail "uninstall in $code: installed (exit code $E2E_BG_STATUS)"
      continue
    fi
    question=$(tr_fragment "$code" IDS_REMOVE_QUESTION)
    done_text=$(tr_fragment "$code" IDS_UNINSTALL_DONE)
    as_user C.UTF-8 start_bg "lang-uninstall-$code" "$APP_WIN\\uninstall.exe"
    check "uninstall in $code: asked in it" drv answer-messagebox yes "${question:-?}" 15000
    check "uninstall in $code: the end told in it" drv answer-messagebox ok "${done_text:-?}" 30000
    wait_bg 30
    expect_eq "uninstall in $code: exit code 0" "$E2E_BG_STATUS" 0
    check "uninstall in $code: the folder is gone" gone_soon "$APP_DIR"
    close_leftovers
  done
}
