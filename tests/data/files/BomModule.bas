Attribute VB_Name = "BomModule"
' BOM 付き UTF-8、CRLF
Public Const 名前 As String = "ＢＯＭ"
