# A prepared billing month for the usage report, shared by the Linux and the Windows desktop
# tests: `report_fixture DIR HOURS` writes DIR/timer.ini (billing day 20, an allowance of HOURS
# hours, twelve months with last year's totals kept beside some, a tariff, an open session) and
# DIR/sessions.csv. Meant to be read on 5 January 2027 at 12:00 in UTC+8 (TZ=Asia/Shanghai): the
# billing period runs from 21 December 2026 to 20 January 2027, 16 days left.
#
# Worked by hand: the ledger began on 22 December (the 21st is without records); its sessions
# and the open one count 1236.3 minutes, the month's total is 1326 (90 minutes were counted
# before the ledger began). Rounded up to the started minute, four sessions gain 0.6, 0.9, 0.5
# and 0.7 minutes: billed 1328.7 minutes in 10 sessions. Base 10.00 + fee 0.15 × 10 = 11.50 元;
# with 30 hours included that is all (471.3 minutes left, a pace of 29.4 minutes a day); with 20
# hours, 128.7 minutes are beyond: 1.20 × 128.7 / 60 = 2.574, 2.57 元, 14.07 元 in all.
# Midnight splits: 24 December 30 minutes, 25 December 70, 31 December 120, 1 January 210.5.
# shellcheck shell=bash

report_fixture() {
    local dir=$1 hours=$2
    printf '%s\r\n' \
        '[r]' 'Value=20' '[s]' "Value=$hours" \
        '[T1]' 'Value=1326' 'Year=2027' 'Value2026=1410' \
        '[T2]' 'Value=1620' 'Year=2026' 'Value2025=1480' \
        '[T3]' 'Value=1710' 'Year=2026' \
        '[T4]' 'Value=1540' 'Year=2026' 'Value2025=1600' \
        '[T5]' 'Value=1380' 'Year=2026' \
        '[T6]' 'Value=1490' 'Year=2026' 'Value2025=1350' \
        '[T7]' 'Value=1850' 'Year=2026' \
        '[T8]' 'Value=1920' 'Year=2026' 'Value2025=2010' \
        '[T9]' 'Value=1600' 'Year=2026' \
        '[T10]' 'Value=1450' 'Year=2026' \
        '[T11]' 'Value=1700' 'Year=2026' 'Value2025=1620' \
        '[T12]' 'Value=1580' 'Year=2026' \
        '[Tariff]' 'Round=1' 'Fee=15' 'Base=1000' 'Price=120' 'Currency=元' \
        '[Session]' 'Start=2027-01-05T11:00:00+08:00' 'Last=2027-01-05T11:59:54+08:00' \
        'Tenths=600' 'Link=ppp0' >"$dir/timer.ini"
    cat >"$dir/sessions.csv" <<'CSV'
start,end,minutes,link
"2026-12-22T19:15:00+08:00","2026-12-22T20:02:18+08:00",47.4,"ppp0"
"2026-12-24T23:30:00+08:00","2026-12-25T01:10:00+08:00",100.0,"ppp0"
"2026-12-26T09:00:00+08:00","2026-12-26T11:00:12+08:00",120.1,"ppp0"
"2026-12-28T21:00:00+08:00","2026-12-28T23:45:00+08:00",165.0,"ppp0"
"2026-12-31T22:00:00+08:00","2027-01-01T02:00:00+08:00",240.0,"ppp0"
"2027-01-01T15:00:00+08:00","2027-01-01T16:30:30+08:00",90.5,"ppp0"
"2027-01-02T10:00:00+08:00","2027-01-02T13:20:00+08:00",200.0,"ppp0"
"2027-01-03T20:00:00+08:00","2027-01-03T22:33:18+08:00",153.3,"ppp0"
"2027-01-04T08:00:00+08:00","2027-01-04T09:00:00+08:00",60.0,"ppp0 ""<宽带>"" & co"
CSV
}
