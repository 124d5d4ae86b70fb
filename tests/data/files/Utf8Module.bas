Attribute VB_Name = "Utf8Module"
Option Explicit
' UTF-8（BOM なし、LF）で保存したモジュール
Public Sub こんにちは()
    Debug.Print "こんにちは、世界 🌏 ～ ｱｲｳ"
End Sub
