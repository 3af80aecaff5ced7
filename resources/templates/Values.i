; QZT Programmer settings.
;
; Installed beside the program as the template "Values.i" and copied to the
; user's Values.ini at the first start and after every program update (the
; Setup key ConfigDirectory is carried over).
;
; Value lists: the key is the code stored in a QZT unit, the value the text
; the drop-down shows. <EMPTY> skips a code, <END> ends the list.
;
; Daylight-saving rules: key <code>TZ, eleven numbers:
;   start week (1 First, 2 Second, 3 Third, 4 Fourth, 5 Last),
;   start weekday (1 Sunday ... 7 Saturday), start month, start hour,
;   start minute, the same five for the stop, daylight bias in minutes.
; Times are local wall-clock times of the change.

[Setup]
ConfigDirectory=

[AlarmType]
0=Standard alarm
1=Bed exit alarm
2=Chair exit alarm
3=Assistance call
4=Emergency alarm
5=Technical alarm
6=Presence
7=Reset
8=<END>

[DoorMatSensorType]
0=Mat, normally open
1=Mat, normally closed
2=Pressure pad
3=<END>

[DaylightSaving]
0=No daylight saving time
1=Central Europe (CET/CEST)
1TZ=5,1,3,2,0,5,1,10,3,0,60
2=Western Europe, UK, Ireland, Portugal (WET/WEST)
2TZ=5,1,3,1,0,5,1,10,2,0,60
3=Eastern Europe, Finland, Greece (EET/EEST)
3TZ=5,1,3,3,0,5,1,10,4,0,60
4=United States and Canada
4TZ=2,1,3,2,0,1,1,11,2,0,60
5=South-east Australia (NSW, Victoria, ACT, Tasmania)
5TZ=1,1,10,2,0,1,1,4,3,0,60
6=New Zealand
6TZ=5,1,9,2,0,1,1,4,3,0,60
7=<END>
