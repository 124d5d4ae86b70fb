Attribute VB_Name = "NoFinalNewline"
Option Explicit
Sub A()
End Sub