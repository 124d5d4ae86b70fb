Attribute VB_Name = "fomatNumbers"
Option Explicit

Sub test()

    Dim nFormat As numberFormatter
    Set nFormat = New numberFormatter
    
    Debug.Print nFormat.NumberFormat("0,000", "„J~", Positive_Negative_Zero, BlueBlack, "„A„u", RedPurple, LightGreen)
    
End Sub
