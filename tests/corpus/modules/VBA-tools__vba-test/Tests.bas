Attribute VB_Name = "Tests"
Public Sub RunTests()
    Tests_TestSuite.Tests
    Tests_TestCase.Tests
End Sub
