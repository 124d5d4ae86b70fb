Attribute VB_Name = "Cp932Module"
Option Explicit
' •¶ŽšƒR[ƒh‚ÌŠm”F—pƒ‚ƒWƒ…[ƒ‹iCP932ACRLFj
' ”gƒ_ƒbƒVƒ…F`@ƒ\Fƒ\ƒtƒg@•\F•\Ž¦@”¼Šp¶À¶ÅF±²³´µ
' NEC‘I’èIBMŠg’£•¶ŽšFí@iED40j@NEC“ÁŽê•¶ŽšF‡i8790j

Public Function •\Ž¦–¼(ByVal –¼‘O As String) As String
    ' u`—lv‚ð•t‚¯‚é
    •\Ž¦–¼ = –¼‘O & "—l"
End Function
