/* preise.dbf: one field N(10,3) and a structural CDX with one tag on it, written by Harbour.
   mkpreise <folder> */

REQUEST DBFCDX

PROCEDURE Main( cDir )
   cDir := hb_DirSepAdd( iif( Empty( cDir ), ".", cDir ) )
   rddSetDefault( "DBFCDX" )
   dbCreate( cDir + "preise", { { "WERT", "N", 10, 3 } }, "DBFCDX", .T., "PREISE" )
   dbAppend()
   FIELD->WERT := 1.5
   INDEX ON WERT TAG WERT
   dbCloseAll()
   RETURN
