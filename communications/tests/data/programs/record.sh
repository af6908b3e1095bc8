#!/bin/sh
# Records the programs whose screens the VT100 comparison replays: each at 80x24 with
# TERM=vt100, in a fresh empty home (see tools/vt100rec/vt100_record.py). Run from anywhere;
# with names as arguments only those are recorded again.
set -e
here=$(cd "$(dirname "$0")" && pwd)
rec="$here/../../../../tools/vt100rec/vt100_record.py"
up='\eOA' down='\eOB' left='\eOD' right='\eOC'

record() {
    name=$1
    shift
    if [ -n "$only" ] && ! echo " $only " | grep -q " $name "; then return; fi
    "$rec" -o "$here/$name.rec" "$@"
}
only="$*"

record vim --step bottom G --step insert 'ggOfirst line\eyy5p' --step pagedown '\x06' \
    --step split ':split\r' --step number ':set number\r' --step quit ':qa!\r' \
    -- sh -c 'seq 100 > n.txt; exec vim n.txt'
record nano --step type 'a line typed at the top\r' --step search '\x1750\r' --step pagedown '\x16' \
    --step quit '\x18n' -- sh -c 'seq 100 > n.txt; exec nano n.txt'
record less --step down ' ' --step up 'kkkk' --step back b --step search '/150\r' --step quit q \
    -- sh -c 'seq 300 > n; exec less n'
record man --step down ' ' --step down2 'dd' --step quit q -- man ls
record dialog-menu --step down "$down$down" --step up "$up" --step pick '\r' \
    -- dialog --menu 'Pick one' 15 50 5 1 one 2 two 3 three 4 four 5 five 6 six 7 seven 8 eight
record dialog-checklist --step tick ' ' --step next "$down$down " --step cancel '\t\r' \
    -- dialog --checklist 'Choose' 12 40 4 a apple on b banana off c cherry off d date off e elder off
record mc --step down "$down$down$down$down$down$down$down" --step view '\eOR' --step close q --step other '\t' \
    --step quit '\e0' -- sh -c 'mkdir a b c; seq 50 > a.txt; seq 9 > a/nine; exec mc -u . a'
record tmux --step echo 'echo hello\r' --step split '\x02"' --step ls 'ls /\r' --step other '\x02o' \
    --step exit1 'exit\r' --step exit2 'exit\r' -- sh -c 'TMUX_TMPDIR=$HOME exec tmux -f /dev/null'
record screen --step echo 'echo hello\r' --step split '\x01S' --step focus '\x01\t' \
    --step quit '\x01\\y' -- screen -c /dev/null
record bash --step type 'echo hello world' --step home '\x01# ' --step kill '\x05\x17\x17' \
    --step run 'again\r' --step history "$up$up" --step long "\x15echo $(printf 'word%.0s ' $(seq 20))" \
    --step wrap '\x01\x06\x06\x06\x04' --step search '\r\x12hel' --step done '\x07exit\r' \
    -- bash --norc --noprofile -i
record top --step quit q -- top -d 5
record htop --step down "$down$down" --step quit q -- htop -d 50
