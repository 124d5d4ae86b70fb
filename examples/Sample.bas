Attribute VB_Name = "Sample"
Option Explicit
'
' 売上データを集計するサンプルモジュール
' 金額は 0 ～ 999,999,999 円の範囲で扱う
'
Private Const 既定の税率 As Double = 0.1

Private m_合計 As Currency

Public Function 税込金額(ByVal 金額 As Currency, Optional ByVal 税率 As Double = 既定の税率) As Currency
    税込金額 = 金額 * (1 + 税率)
End Function

Public Sub 集計(ByRef 件数 As Long, ParamArray 金額() As Variant)
    Dim i As Long
    Dim 小計 As Currency
    件数 = 0
    For i = LBound(金額) To UBound(金額)
        小計 = 小計 + 金額(i)
        件数 = 件数 + 1
    Next i
    'deb 小計
    m_合計 = m_合計 + 小計
End Sub

Public Function 顧客名を整形(ByVal 姓 As String, _
                             ByVal 名 As String, _
                             Optional ByVal 敬称 As String = "様") As String
    ' 姓と名は全角スペースで区切る（例：山田　太郎 様）
    顧客名を整形 = 姓 & "　" & 名 & " " & 敬称
End Function

Public Property Get 合計() As Currency
    合計 = m_合計
End Property

Public Property Let 合計(ByVal 値 As Currency)
    m_合計 = 値
End Property

Private Sub 消去(ByRef 一覧() As String, Optional ByRef 件数 As Long)
    ' ﾃﾞｰﾀを空にする
    Erase 一覧
    件数 = 0
End Sub
