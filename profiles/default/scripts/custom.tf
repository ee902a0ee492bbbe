// corvina500's default skin: shared macros and functions.
//
// Every other script of this profile is short: it calls the functions
// below. Read this file from the top; it is written to be learned from.
//
// Three things to know first:
//
// 1. This profile runs in trim mode: blanks, tabs and line breaks outside
//    single quotes are removed before a script runs. Calls can therefore
//    span lines and be indented freely, and text with blanks in it is
//    written in quotes: 'Now playing'.
//
// 2. Arguments are evaluated before a function sees them. A script that
//    should run later (when a button is clicked, for each playlist item)
//    is passed in quotes, so it arrives as written:
//        $button(main,Stop,..., '$playback_control(stop)' ,...)
//
// 3. Objects are named by identity texts, which the creating call writes.
//    $hash keeps them between scripts: $hash(ui_title,$drawtext(...))
//    remembers the new text's identity under the key ui_title; %ui_title%
//    (or $hash(ui_title)) reads it back in any later script.

// ---------------------------------------------------------------------------
// Colours. Text colours are red-green-blue; brushes add an alpha in front
// (255 is opaque), as in brush:255-#c_panel#.
// ---------------------------------------------------------------------------
#define c_bg       17-19-24    #end   // window background
#define c_panel    26-29-37    #end   // the "now playing" card
#define c_raised   38-42-53    #end   // bar tracks, alternate rows
#define c_row      22-25-31    #end   // every other playlist row
#define c_line     48-53-66    #end   // separators
#define c_text     236-239-244 #end   // main text
#define c_dim      160-168-184 #end   // secondary text
#define c_faint    106-114-130 #end   // labels, numbers
#define c_accent   88-180-255  #end   // progress, the playing track
#define c_play_row 30-50-72    #end   // background of the playing row
#define c_button   40-45-57    #end   // button face
#define c_btn_text 226-230-238 #end   // button caption

#define font 'Segoe UI' #end

// ---------------------------------------------------------------------------
// Layout, in pixels. Positions that depend on the window's size are
// computed by ui_build and kept in $hash keys (ui_w, ui_seek_x, ...), so
// that scripts running outside the window (player events, the timer) can
// use them too.
// ---------------------------------------------------------------------------
#define m        16  #end   // outer margin
#define card_h   104 #end   // height of the "now playing" card
#define seek_y   124 #end   // top of the seek row
#define seek_h   6   #end   // thickness of the seek bar
#define time_w   44  #end   // room for the elapsed / remaining times
#define ctl_y    150 #end   // top of the buttons row
#define ctl_h    30  #end   // button height
#define list_y   200 #end   // top of the playlist header
#define row_h    24  #end   // one playlist row
#define vol_w    96  #end   // volume bar width (narrow windows get less)
#define btns_w   300 #end   // width of the five transport buttons
#define lib_w    64  #end   // the Library button, right of them
#define pane_w   200 #end   // the library pane, left of the playlist

// ---------------------------------------------------------------------------
// Small helpers
// ---------------------------------------------------------------------------

#function ui_drop
// ui_drop(key): removes the object remembered under key, if any, and
// forgets the key. Outside a full rebuild or a part made again as a whole
// (ui_quiet) its area is repainted at once.
$puts(id,$hash(%_param1%))
$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$if(%ui_batch%%ui_quiet%,false,true))
	$hash(%_param1%,))
#end

#function ui_drop_quiet
// ui_drop_quiet(key): as ui_drop, leaving the area as painted, for an
// object about to be covered by its replacement.
$puts(id,$hash(%_param1%))
$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:false)
	$hash(%_param1%,))
#end

#function ui_show
// ui_show(key): paints the object remembered under key, unless a full
// rebuild is running (that ends with one repaint of the whole window) or
// a part is being made again as a whole (ui_quiet).
$puts(id,$hash(%_param1%))
$if(%ui_batch%%ui_quiet%,,$if($greater($len($get(id)),0),$updateobject($get(id))))
#end

#function ui_quiet
// ui_quiet(): outside a full rebuild, stops ui_drop and ui_show painting
// each object; ui_loud(keys...) ends that and paints the objects named,
// which cover the part, once. Painting one object paints everything under
// its rectangle, so a part of many objects costs one repaint, not two per
// object.
$hash(ui_quiet,$if(%ui_batch%,,1))
#end

#function ui_loud
$if(%ui_quiet%,
	$hash(ui_quiet,)
	$ui_show(%_param1%)$ui_show(%_param2%)$ui_show(%_param3%))
#end

#function ui_time
// ui_time(seconds): 83.5 -> 1:23. Numbers are read up to the first
// character that is not a digit, so the decimals are simply ignored.
$div(%_param1%,60):$num($mod(%_param1%,60),2)
#end

#function ui_ticks
// ui_ticks(seconds): the seconds as an integer count of 1/10,000,000 s.
// Positions are written with seven decimals (12.5000000), so dropping the
// point gives an exact integer to compute with.
$replace(%_param1%,.,)
#end

#function ui_count
// ui_count(): the number of items of the active playlist; 0 without one.
$if(%pl_activename%,$pl_itemcount(),0)
#end

#function ui_join
// ui_join(a,b): a and b with a dot between them, or the one that is not
// empty. $len's truth follows its argument, so lengths are compared.
$if($and($greater($len(%_param1%),0),$greater($len(%_param2%),0)),
	%_param1%' · '%_param2%,
	%_param1%%_param2%)
#end

#function ui_tracks
// ui_tracks(n): "1 track", "4 tracks".
$ifequal(%_param1%,1,'1 track',%_param1%' tracks')
#end

#function ui_clamp
// ui_clamp(value,low,high)
$max(%_param2%,$min(%_param3%,%_param1%))
#end

// ---------------------------------------------------------------------------
// The whole window
// ---------------------------------------------------------------------------

#function ui_build
// Builds every object of the main window for its current size. Called by
// the window's load and resize scripts. Each part removes what it drew
// before, so building again never leaves old objects behind.
$hash(ui_batch,1)
$hash(ui_w,%_cwidth%)
$hash(ui_h,%_cheight%)
// The seek bar spans the room between the two times.
$hash(ui_seek_x,$add(#m#,#time_w#,8))
$hash(ui_seek_w,$sub(%_cwidth%,$mul(2,$add(#m#,#time_w#,8))))
// The volume bar sits at the right end of the buttons row. In a narrow
// window it gets shorter, then its label and the Library button go,
// rather than cover a button.
$hash(ui_vol_w,$ui_clamp($sub(%_cwidth%,#m#,40,#m#,#btns_w#,8,#lib_w#,8),40,#vol_w#))
$hash(ui_vol_x,$sub(%_cwidth%,#m#,%ui_vol_w%,40))
$hash(ui_lib_room,$if($greater(%ui_vol_x%,$add(#m#,#btns_w#,8,#lib_w#,4)),1,))
$hash(ui_vol_label,$if($greater($sub(%ui_vol_x%,36),
	$add(#m#,#btns_w#,8,$if(%ui_lib_room%,$add(#lib_w#,8),0))),1,))
$ui_pane_layout()
// Playlist rows fill the rest of the window.
$hash(ui_rows_y,$add(#list_y#,32))
$hash(ui_rows_max,$max(0,$div($sub(%_cheight%,$add(#list_y#,32),#m#),#row_h#)))

$ui_background()
$ui_header()
$ui_seek()
$ui_buttons()
$ui_volume()
$ui_order()
$ui_playlist()
$ui_pane()

$hash(ui_batch,)
// One repaint of the whole window shows everything at once; the order
// list exists from then on and shows the order in force.
$updatewindow(main)
$ui_order()
#end

#function ui_background
// Window fill, the card behind the track information and a separator
// above the playlist. Full-size rectangles, redrawn with every build.
$ui_drop(ui_bg)$ui_drop(ui_card)$ui_drop(ui_sep)
// The window's own colour shows where the platform paints: around the
// order list's field and below its entries.
$bgcolor(main,#c_bg#)
$hash(ui_bg,$gp_rect(main,0,0,%ui_w%,%ui_h%,brush:255-#c_bg#,aa:false))
$hash(ui_card,$gp_roundrect(main,#m#,#m#,$sub(%ui_w%,$mul(2,#m#)),#card_h#,8,8,
	brush:255-#c_panel#))
$hash(ui_sep,$gp_rect(main,#m#,$sub(#list_y#,8),$sub(%ui_w%,$mul(2,#m#)),1,
	brush:255-#c_line#,aa:false))
// The window moves by its card only, so pressing on the seek and volume
// bars drags them instead of the window.
$ui_drop(ui_card_map)
$hash(ui_card_map,$map(main,drag:true))
$map_rect(%ui_card_map%,#m#,#m#,$sub(%ui_w%,$mul(2,#m#)),#card_h#)
#end

// ---------------------------------------------------------------------------
// Track information
// ---------------------------------------------------------------------------

#function ui_meta
// ui_meta(format): the playing track formatted with format. The format is
// passed in quotes by the caller, so it reaches $pl_getmeta unevaluated.
// A field of a tag the track lacks writes a question mark; in a section,
// '[%date%]', it writes nothing.
$pl_getmeta(%_param1%,%pl_playingname%,%pi_playingindex%)
#end

#function ui_header
// The card: what plays (title, artist, album and year), or, when stopped,
// what the active playlist holds.
$ui_quiet()
$ui_drop(ui_h_label)$ui_drop(ui_h_title)$ui_drop(ui_h_line2)
$ui_drop(ui_h_line3)$ui_drop(ui_h_count)$ui_drop(ui_h_cover)
$puts(x,$add(#m#,16))
$puts(w,$sub(%ui_w%,$mul(2,$add(#m#,16))))
// The playing track's front cover, when it has one, stands at the card's
// left and the text moves over to its right.
$puts(art,$if(%playback_isplaying%,$ui_meta('%path%')))
$if($albumart_find($get(art),cover_back:false,disc:false,icon:false),
	$hash(ui_h_cover,$gp_image(main,$albumart($get(art),cover_front),
		$add(#m#,12),$add(#m#,12),$sub(#card_h#,24),$sub(#card_h#,24),keepaspect:true))
	$puts(x,$add($get(x),$sub(#card_h#,16)))
	$puts(w,$sub($get(w),$sub(#card_h#,16))))
$if(%playback_isplaying%,
	$hash(ui_h_label,$drawtext(main,$if(%playback_ispaused%,PAUSED,'NOW PLAYING'),
		$get(x),$add(#m#,12),$get(w),16,
		fg:#c_accent#,font-name:#font#,font-size:8,font-style:b))
	$hash(ui_h_count,$drawtext(main,
		$add(%pi_playingindex%,1)' of '$pl_itemcount(%pl_playingname%),
		$get(x),$add(#m#,12),$get(w),16,
		fg:#c_faint#,font-name:#font#,font-size:8,halign:right))
	$hash(ui_h_title,$drawtext(main,$ui_meta('%title%'),
		$get(x),$add(#m#,28),$get(w),30,
		fg:#c_text#,font-name:#font#,font-size:17,font-style:b,ellipsis:end,editctrl:true))
	$hash(ui_h_line2,$drawtext(main,$ui_meta('[%artist%]'),
		$get(x),$add(#m#,58),$get(w),20,
		fg:#c_dim#,font-name:#font#,font-size:11,ellipsis:end,editctrl:true))
	$hash(ui_h_line3,$drawtext(main,
		$ui_join($ui_meta('[%album%]'),$ui_meta('[%date%]')),
		$get(x),$add(#m#,78),$get(w),18,
		fg:#c_faint#,font-name:#font#,font-size:9,ellipsis:end,editctrl:true)),
// Stopped: the title says so, the lines below describe the playlist.
	$hash(ui_h_label,$drawtext(main,'CORVINA500',
		$get(x),$add(#m#,12),$get(w),16,
		fg:#c_accent#,font-name:#font#,font-size:8,font-style:b))
	$hash(ui_h_title,$drawtext(main,Stopped,
		$get(x),$add(#m#,28),$get(w),30,
		fg:#c_text#,font-name:#font#,font-size:17,font-style:b))
	$hash(ui_h_line2,$drawtext(main,
		$ifgreater($ui_count(),0,
			$ui_tracks($ui_count())' in '%pl_activename%' · '$ui_time($pl_duration()),
			'The playlist is empty'),
		$get(x),$add(#m#,58),$get(w),20,
		fg:#c_dim#,font-name:#font#,font-size:11,ellipsis:end,editctrl:true))
	$hash(ui_h_line3,$drawtext(main,
		$ifgreater($ui_count(),0,
			'Click a track to play it',
			'Drop music files on this window to add them'),
		$get(x),$add(#m#,78),$get(w),18,
		fg:#c_faint#,font-name:#font#,font-size:9,ellipsis:end,editctrl:true)))
// The card lies under all of them.
$ui_loud(ui_card)
#end

// ---------------------------------------------------------------------------
// Seek bar and times
// ---------------------------------------------------------------------------

#function ui_seek_at
// Keeps the played width in pixels (0 to ui_seek_w) and the elapsed and
// remaining times of the playing track under ui_at_done, ui_at_elapsed and
// ui_at_remain. ($puts variables stay inside the function that sets them.)
$puts(len,$ui_ticks(%playback_length%))
$hash(ui_at_done,$ui_clamp($ifgreater($get(len),0,
	$muldiv($ui_ticks(%playback_position%),%ui_seek_w%,$get(len)),0),0,%ui_seek_w%))
$hash(ui_at_elapsed,$ui_time(%playback_position%))
// A stream of unknown length has no remaining time.
$hash(ui_at_remain,$if($greater($get(len),0),
	'-'$ui_time($max(0,$sub(%playback_length%,%playback_position%))),'-:--'))
#end

#function ui_seek
// The seek bar: a track, the played part over it, a knob at the position,
// the elapsed time on the left and the remaining time on the right. Made
// again by a build, a new track, a seek and a stop; while a track plays,
// ui_seek_tick moves it.
$ui_seek_at()
$puts(y,$add(#seek_y#,5))
// The track and the map that seeks are made once per build; the played
// part and the times change.
$if(%ui_batch%,
	$ui_drop(ui_seek_track)
	$hash(ui_seek_track,$gp_roundrect(main,%ui_seek_x%,$get(y),%ui_seek_w%,#seek_h#,3,3,
		brush:255-#c_raised#))
	$ui_drop(ui_seek_map)
	$hash(ui_seek_map,$map(main,
		lbuttondown:'$ui_seek_click(%_mouse_cx%)',
		move:'$if(%_lbutton%,$ui_seek_click(%_mouse_cx%))'))
	$map_rect(%ui_seek_map%,$sub(%ui_seek_x%,4),$sub(#seek_y#,2),$add(%ui_seek_w%,8),18))
$ui_drop(ui_seek_done)$ui_drop(ui_seek_knob)
$ui_drop(ui_t_elapsed)$ui_drop(ui_t_remain)
// What the tick compares with: the knob's pixel and the times shown.
$hash(ui_seek_px,%ui_at_done%)
$hash(ui_seek_elapsed,%ui_at_elapsed%)
$hash(ui_seek_remain,%ui_at_remain%)
$if(%playback_isplaying%,
	$ui_seek_done(%ui_at_done%)
	$hash(ui_seek_knob,$gp_circle(main,$sub($add(%ui_seek_x%,%ui_at_done%),6),$sub($get(y),3),12,12,
		brush:255-#c_text#))
	$hash(ui_t_elapsed,$drawtext(main,%ui_at_elapsed%,#m#,#seek_y#,#time_w#,16,
		fg:#c_dim#,font-name:#font#,font-size:9,valign:middle))
	$hash(ui_t_remain,$drawtext(main,%ui_at_remain%,
		$sub(%ui_w%,#m#,#time_w#),#seek_y#,#time_w#,16,
		fg:#c_dim#,font-name:#font#,font-size:9,halign:right,valign:middle)),
	$hash(ui_t_elapsed,$drawtext(main,'-:--',#m#,#seek_y#,#time_w#,16,
		fg:#c_faint#,font-name:#font#,font-size:9,valign:middle))
	$hash(ui_t_remain,$drawtext(main,'-:--',$sub(%ui_w%,#m#,#time_w#),#seek_y#,#time_w#,16,
		fg:#c_faint#,font-name:#font#,font-size:9,halign:right,valign:middle)))
$ui_show(ui_seek_done)$ui_show(ui_seek_knob)$ui_show(ui_t_elapsed)$ui_show(ui_t_remain)
#end

#function ui_seek_done
// ui_seek_done(width): makes the played part, under 6 pixels none at all
// (its rounded ends need the room). It is not painted here.
$if($greater(%_param1%,5),
	$hash(ui_seek_done,$gp_roundrect(main,%ui_seek_x%,$add(#seek_y#,5),%_param1%,#seek_h#,3,3,
		brush:255-#c_accent#)))
#end

#function ui_seek_tick
// The seek bar's clock, four times a second while a track plays. Only
// what changed is painted: the played part and the knob when the position
// reached another pixel, each time text when the second it shows changed.
$if($and(%playback_isplaying%,$greater($len(%ui_seek_knob%),0)),
	$ui_seek_at()
	$if($strcmp(%ui_at_done%,%ui_seek_px%),,
		$puts(step,$max($sub(%ui_at_done%,%ui_seek_px%),$sub(%ui_seek_px%,%ui_at_done%)))
		$hash(ui_seek_px,%ui_at_done%)
		// Shapes keep their size: the played part is made again, without
		// erasing it first, since it only grows between seeks; the knob
		// stays painted over it. A repaint of the knob takes 13 pixels
		// across, centred on the position, and more than the bar's height:
		// in a step of up to 13 pixels its old and new places hold every
		// pixel of the bar that changes, and moving it repaints them all.
		// A longer step paints the played part as well.
		$ui_drop_quiet(ui_seek_done)
		$ui_seek_done(%ui_at_done%)
		$if($greater($len(%ui_seek_done%),0),
			$setobjectzorder(%ui_seek_knob%,top)
			$if($greater($get(step),13),$updateobject(%ui_seek_done%)))
		$moveobject(%ui_seek_knob%,$sub($add(%ui_seek_x%,%ui_at_done%),6),$add(#seek_y#,2),
			redraw:true))
	$if($strcmp(%ui_at_elapsed%,%ui_seek_elapsed%),,
		$hash(ui_seek_elapsed,%ui_at_elapsed%)
		$setparam(%ui_t_elapsed%,false,text:%ui_at_elapsed%)
		$updateobject(%ui_t_elapsed%))
	$if($strcmp(%ui_at_remain%,%ui_seek_remain%),,
		$hash(ui_seek_remain,%ui_at_remain%)
		$setparam(%ui_t_remain%,false,text:%ui_at_remain%)
		$updateobject(%ui_t_remain%)))
#end

#function ui_clock
// Runs the seek bar's clock while a track plays, and stops it when paused
// or stopped: then nothing moves, so nothing needs to run.
$settimer(ui_tick,$if(%playback_isplaying%,$if(%playback_ispaused%,0,250),0))
#end

#function ui_seek_click
// ui_seek_click(x): seeks to the point of the bar under x. Runs from the
// seek map when it is clicked or dragged.
$puts(len,$ui_ticks(%playback_length%))
$if($greater($get(len),0),
	$puts(at,$ui_clamp($sub(%_param1%,%ui_seek_x%),0,%ui_seek_w%))
	$puts(t,$muldiv($get(at),$get(len),%ui_seek_w%))
	$playback_seek($div($get(t),10000000).$num($mod($get(t),10000000),7)))
#end

// ---------------------------------------------------------------------------
// Buttons
// ---------------------------------------------------------------------------

#function ui_button
// ui_button(key,caption,x,y,width,height,script,font size,tip): a flat
// button in the skin's colours. The skin draws the face and the caption;
// over them lies a frameless button (type image2) that shows what is
// beneath it, plus a light veil while the mouse is over it and the accent
// colour while it is pressed (pictures in the profile's images folder; a
// path that starts with / is taken from the profile folder). The caption
// is also the button's own text, which names no picture, so it draws
// nothing itself. The script is the text of the seventh parameter, run
// at each click. A tip, when given, shows while the mouse rests on the
// button, in the card's colours.
$ui_drop(%_param1%_tip)
$ui_drop(%_param1%)$ui_drop(%_param1%_face)$ui_drop(%_param1%_caption)
$hash(%_param1%_face,$gp_roundrect(main,%_param3%,%_param4%,%_param5%,%_param6%,6,6,
	brush:255-#c_button#))
$hash(%_param1%_caption,$drawtext(main,%_param2%,%_param3%,%_param4%,%_param5%,%_param6%,
	fg:#c_btn_text#,font-name:#font#,font-size:%_param8%,halign:center,valign:middle))
$hash(%_param1%,$button(main,%_param2%,%_param3%,%_param4%,%_param5%,%_param6%,%_param7%,
	type:image2,over:/images/button_over.png,push:/images/button_push.png))
// A tooltip on a button covers the button's own window, from its corner.
$if(%_param9%,
	$hash(%_param1%_tip,$tooltip($hash(%_param1%),%_param9%,0,0,%_param5%,%_param6%,
		fg:#c_text#,bg:#c_panel#)))
// The button's own window is made when the button is first painted; it
// takes a copy of the face and caption painted just before it. Its tip
// follows, once there is a window to attach it to.
$ui_show(%_param1%_face)$ui_show(%_param1%_caption)$ui_show(%_param1%)$ui_show(%_param1%_tip)
#end

#function ui_buttons
// The transport row. The play button's caption follows the player's state;
// a click toggles between playing and pausing.
$ui_button(ui_b_prev,Prev,#m#,#ctl_y#,52,#ctl_h#,'$playback_control(prev)',9,'Previous track')
$ui_play_button()
$ui_button(ui_b_stop,Stop,$add(#m#,124),#ctl_y#,52,#ctl_h#,'$playback_control(stop)',9,Stop)
$ui_button(ui_b_next,Next,$add(#m#,180),#ctl_y#,52,#ctl_h#,'$playback_control(next)',9,'Next track')
$ui_button(ui_b_rand,Random,$add(#m#,236),#ctl_y#,64,#ctl_h#,'$playback_control(rand)',9,
	'A random track')
// The Library button says what it does: no tip, which would cost a window
// of its own at start.
$if(%ui_lib_room%,
	$ui_button(ui_b_lib,Library,$add(#m#,#btns_w#,8),#ctl_y#,#lib_w#,#ctl_h#,
		'$ui_pane_toggle()',9),
	$ui_drop(ui_b_lib_tip)$ui_drop(ui_b_lib)$ui_drop(ui_b_lib_face)$ui_drop(ui_b_lib_caption))
#end

#function ui_play_button
// The play button alone, also made again at start, pause and stop events
// when its caption changes. Making a button costs a window and its tip's
// (milliseconds), so a new track while playing, which starts playback
// again with the same caption, leaves it as it is; a full rebuild always
// makes it.
$puts(caption,$if(%playback_isplaying%,$if(%playback_ispaused%,Play,Pause),Play))
$if($and($not(%ui_batch%),$strcmp($get(caption),%ui_play_shown%),
		$greater($len(%ui_b_play%),0)),,
	$hash(ui_play_shown,$get(caption))
	$ui_button(ui_b_play,$get(caption),
		$add(#m#,56),#ctl_y#,64,#ctl_h#,'$playback_control(play_or_pause)',9,
		$if(%playback_isplaying%,$if(%playback_ispaused%,'Go on playing','Pause'),'Play')))
#end

// ---------------------------------------------------------------------------
// Volume: a bar with a map over it. Clicking sets the volume, the wheel
// steps it. $display_volume maps decibels to a 0..100 scale and back.
// ---------------------------------------------------------------------------

#function ui_volume
$puts(p,$display_volume(100))
$puts(y,$add(#ctl_y#,12))
$if(%ui_batch%,
	$ui_drop(ui_vol_caption)
	$if(%ui_vol_label%,
		$hash(ui_vol_caption,$drawtext(main,VOL,$sub(%ui_vol_x%,32),#ctl_y#,28,#ctl_h#,
			fg:#c_faint#,font-name:#font#,font-size:8,font-style:b,valign:middle)))
	$ui_drop(ui_vol_track)
	$hash(ui_vol_track,$gp_roundrect(main,%ui_vol_x%,$get(y),%ui_vol_w%,#seek_h#,3,3,
		brush:255-#c_raised#))
	$ui_drop(ui_vol_map)
	$hash(ui_vol_map,$map(main,
		lbuttondown:'$ui_vol_set($muldiv($sub(%_mouse_cx%,%ui_vol_x%),100,%ui_vol_w%))',
		move:'$if(%_lbutton%,$ui_vol_set($muldiv($sub(%_mouse_cx%,%ui_vol_x%),100,%ui_vol_w%)))',
		wheel:'$ui_vol_set($add($display_volume(100),$mul(%_wheel%,5)))'))
	$map_rect(%ui_vol_map%,$sub(%ui_vol_x%,4),#ctl_y#,$add(%ui_vol_w%,8),#ctl_h#))
$ui_drop(ui_vol_done)$ui_drop(ui_vol_text)
$if($greater($get(p),0),
	$hash(ui_vol_done,$gp_roundrect(main,%ui_vol_x%,$get(y),
		$max(6,$muldiv($get(p),%ui_vol_w%,100)),#seek_h#,3,3,brush:255-#c_accent#)))
$hash(ui_vol_text,$drawtext(main,$get(p)'%',$add(%ui_vol_x%,%ui_vol_w%,6),#ctl_y#,34,#ctl_h#,
	fg:#c_dim#,font-name:#font#,font-size:9,valign:middle))
$ui_show(ui_vol_done)$ui_show(ui_vol_text)
#end

#function ui_vol_set
// ui_vol_set(position): sets the volume to a position of the 0..100 scale.
$volume($display_volume(100,$ui_clamp(%_param1%,0,100)))
#end

// ---------------------------------------------------------------------------
// Playback order: a drop-down list whose entries the skin draws itself.
// Each entry of a combobox runs a draw script that draws into the combobox
// (named by %_objectid%), and a select script when the user picks it. The
// Host's main-menu commands "Playback/Order/<name>" switch the order.
// ---------------------------------------------------------------------------

#function ui_order_name
// ui_order_name(index): the name of playback order index (0 is Default).
$select($add(%_param1%,1),Default,'Repeat (playlist)','Repeat (track)',Random,
	'Shuffle (tracks)','Shuffle (albums)','Shuffle (folders)')
#end

#function ui_order
// Made once per build; afterwards (the order changed) only the selection
// follows. The closed list is its selection field (18 pixels) plus the
// platform's frame, which keeps it within the header row. Selecting from a script runs no select script.
$if(%ui_batch%,
	$ui_drop(ui_order_box)
	$hash(ui_order_box,$combobox(main,$sub(%ui_w%,#m#,170),#list_y#,170,18,droph:190))
	$ui_order_add()$ui_order_add()$ui_order_add()$ui_order_add()
	$ui_order_add()$ui_order_add()$ui_order_add(),
	$combobox_select(%ui_order_box%,%playback_orderindex%))
#end

#function ui_order_add
// One entry; its scripts learn which one from %_index%.
$combobox_additem(%ui_order_box%,height:24,draw:'$ui_order_item()',
	select:'$mainmenu_execute(Playback/Order/$ui_order_name(%_index%))')
#end

#function ui_order_item
// Draws entry %_index% into a piece of %_iwidth% by %_iheight% pixels:
// the button face, the accent tint under the mouse, and the name.
$gp_rect(%_objectid%,0,0,%_iwidth%,%_iheight%,aa:false,
	brush:255-$ifequal(%_selected%,1,#c_play_row#,#c_button#))
$drawtext(%_objectid%,$ui_order_name(%_index%),8,0,$sub(%_iwidth%,16),%_iheight%,
	fg:$ifequal(%_selected%,1,#c_accent#,#c_btn_text#),
	font-name:#font#,font-size:8,valign:middle)
#end

// ---------------------------------------------------------------------------
// Playlist: a header and one row per visible item of the active playlist.
// The rows' objects are remembered under numbered keys (ui_r3_text, ...),
// built with $hash(key) so that the key itself can be computed.
// ---------------------------------------------------------------------------

#function ui_playlist
$ui_quiet()
$ui_drop(ui_pl_title)$ui_drop(ui_pl_info)
$hash(ui_pl_title,$drawtext(main,PLAYLIST,#m#,#list_y#,80,24,
	fg:#c_faint#,font-name:#font#,font-size:8,font-style:b,valign:middle))
$hash(ui_pl_info,$drawtext(main,
	$if(%pl_activename%,%pl_activename%' · '$ui_tracks($pl_itemcount())' · '$ui_time($pl_duration())),
	$add(#m#,72),#list_y#,$sub(%ui_w%,$mul(2,#m#),252),24,
	fg:#c_dim#,font-name:#font#,font-size:9,valign:middle,ellipsis:end,editctrl:true))
// The header opens the playlists menu (see ui_lists); a small triangle
// after the title says so. Both are made once per build.
$if(%ui_batch%,
	$ui_drop(ui_pl_arrow)
	$puts(ax,$add(#m#,60))
	$hash(ui_pl_arrow,$gp_polygon(main,3,$get(ax),$add(#list_y#,10),$add($get(ax),8),
		$add(#list_y#,10),$add($get(ax),4),$add(#list_y#,15),brush:255-#c_faint#))
	$ui_drop(ui_pl_head_map)
	$hash(ui_pl_head_map,$map(main,lbuttondown:'$ui_lists()'))
	$map_rect(%ui_pl_head_map%,#m#,#list_y#,$sub(%ui_w%,$mul(2,#m#),180),24))
// Old rows go first, then as many rows as fit are made again.
$for(i,0,$sub(%ui_rows_shown%,1),1,'$ui_row_drop(%i%)')
$puts(count,$ui_count())
// Keep the first shown item in range when the list got shorter.
$hash(ui_first,$ui_clamp(%ui_first%,0,$max(0,$sub($get(count),%ui_rows_max%))))
$hash(ui_rows_shown,$min(%ui_rows_max%,$sub($get(count),%ui_first%)))
$for(i,0,$sub(%ui_rows_shown%,1),1,'$ui_row(%i%)')
$ui_scrollbar($get(count))
// The rows are new: the hover overlay (see ui_hover) starts again.
$ui_drop(ui_hover_box)$hash(ui_hover,-1)
$if(%ui_batch%,
	$ui_drop(ui_pl_map)
	$hash(ui_pl_map,$map(main,
		lbuttondown:'$ui_row_click(%_mouse_cy%)',
		over:'$ui_hover(%_mouse_cy%)',
		move:'$ui_hover(%_mouse_cy%)',
		out:'$ui_hover(-1)',
		wheel:'$ui_scroll($mul(%_wheel%,-3))'))
	$map_rect(%ui_pl_map%,%ui_pl_x%,%ui_rows_y%,%ui_pl_w%,$mul(%ui_rows_max%,#row_h#)))
// The rows' map covers every row, the scroll bar and the hover overlay.
$ui_loud(ui_pl_title,ui_pl_info,ui_pl_map)
#end

#function ui_scrollbar
// ui_scrollbar(count): a thin bar at the right of the rows when the
// playlist has more items than fit; the thumb shows which part is shown.
$ui_drop(ui_pl_track)$ui_drop(ui_pl_thumb)
$if($greater(%_param1%,%ui_rows_max%),
	$puts(h,$mul(%ui_rows_max%,#row_h#))
	$puts(x,$sub(%ui_w%,#m#,3))
	$hash(ui_pl_track,$gp_rect(main,$get(x),%ui_rows_y%,3,$get(h),
		brush:255-#c_raised#,aa:false))
	$hash(ui_pl_thumb,$gp_rect(main,$get(x),
		$add(%ui_rows_y%,$muldiv(%ui_first%,$get(h),%_param1%)),3,
		$max(12,$muldiv(%ui_rows_max%,$get(h),%_param1%)),
		brush:255-#c_faint#,aa:false))
	$ui_show(ui_pl_track)$ui_show(ui_pl_thumb))
#end

#function ui_hover
// ui_hover(y): lays a faint light overlay on the row under y (-1: none).
// The overlay is a rectangle of white at an alpha of 14 out of 255, so the
// row's own colours show through. Nothing is redrawn while the mouse stays
// on the same row.
$puts(row,$if($greater(%ui_rows_y%,%_param1%),-1,$div($sub(%_param1%,%ui_rows_y%),#row_h#)))
$if($greater($get(row),$sub(%ui_rows_shown%,1)),$puts(row,-1))
$if($strcmp($get(row),%ui_hover%),,
	$ui_drop(ui_hover_box)
	$hash(ui_hover,$get(row))
	$if($greater($get(row),-1),
		$hash(ui_hover_box,$gp_rect(main,%ui_pl_x%,$add(%ui_rows_y%,$mul($get(row),#row_h#)),
			%ui_pl_w%,#row_h#,brush:14-255-255-255,aa:false))
		$ui_show(ui_hover_box)))
#end

#function ui_row
// ui_row(n): the n-th visible row: a background, the number, the title,
// the artist and the length. The playing track is drawn in the accent
// colour over a tinted background; the focused one is outlined.
$puts(item,$add(%ui_first%,%_param1%))
$puts(y,$add(%ui_rows_y%,$mul(%_param1%,#row_h#)))
$puts(w,%ui_pl_w%)
$puts(playing,$ui_playing($get(item)))
$puts(fg,$ifequal($get(playing),1,#c_accent#,#c_text#))
// Texts sit in one-line boxes. A text box wraps at blanks (and between
// ideographs); editctrl:true draws only the lines that fit whole, and
// ellipsis:end ends the last of them with "...", so a text too long for
// its column is cut with an ellipsis and leaves nothing under its row.
$puts(ty,$add($get(y),3))
$puts(title_w,$if(%ui_columns%,$sub($div($mul($get(w),58),100),42),$sub($get(w),108)))
$ifequal($get(playing),1,
	$hash(ui_r%_param1%_bg,$gp_rect(main,%ui_pl_x%,$get(y),$get(w),#row_h#,
		brush:255-#c_play_row#,aa:false))
	$hash(ui_r%_param1%_mark,$gp_rect(main,%ui_pl_x%,$get(y),3,#row_h#,
		brush:255-#c_accent#,aa:false)),
	$if($greater($mod($get(item),2),0),
		$hash(ui_r%_param1%_bg,$gp_rect(main,%ui_pl_x%,$get(y),$get(w),#row_h#,
			brush:255-#c_row#,aa:false))))
$ui_row_focus(%_param1%)
$hash(ui_r%_param1%_num,$drawtext(main,$add($get(item),1),$add(%ui_pl_x%,6),$get(ty),26,18,
	fg:$ifequal($get(playing),1,#c_accent#,#c_faint#),
	font-name:#font#,font-size:9,halign:right,valign:middle))
$hash(ui_r%_param1%_text,$drawtext(main,$pl_getmeta('%title%',,$get(item)),
	$add(%ui_pl_x%,42),$get(ty),$get(title_w),18,
	fg:$get(fg),font-name:#font#,font-size:10,
	font-style:$ifequal($get(playing),1,b,),valign:middle,ellipsis:end,editctrl:true))
$if(%ui_columns%,
	$hash(ui_r%_param1%_artist,$drawtext(main,$pl_getmeta('[%artist%]',,$get(item)),
		$add(%ui_pl_x%,$div($mul($get(w),58),100),8),$get(ty),$sub($div($mul($get(w),42),100),68),18,
		fg:#c_dim#,font-name:#font#,font-size:9,valign:middle,ellipsis:end,editctrl:true)))
$hash(ui_r%_param1%_len,$drawtext(main,$pl_getmeta('[%length%]',,$get(item)),
	$sub($add(%ui_pl_x%,$get(w)),58),$get(ty),50,18,
	fg:#c_faint#,font-name:#font#,font-size:9,halign:right,valign:middle))
// Rows are made inside a rebuild of the list, which paints them at once.
$if(%ui_batch%%ui_quiet%,,
	$ui_show(ui_r%_param1%_bg)$ui_show(ui_r%_param1%_mark)$ui_show(ui_r%_param1%_num)
	$ui_show(ui_r%_param1%_text)$ui_show(ui_r%_param1%_artist)$ui_show(ui_r%_param1%_len))
#end

#function ui_playing
// ui_playing(item): 1 when that item of the active playlist is playing,
// else 0.
$if($and(%playback_isplaying%,$strcmp(%pl_playingname%,%pl_activename%),
	$strcmp(%pi_playingindex%,%_param1%)),1,0)
#end

#function ui_row_focus
// ui_row_focus(n): outlines the n-th visible row when its item is the
// focused one (the one playback starts from), unless it is playing: the
// playing row has a look of its own. Rows not shown are left alone.
$puts(item,$add(%ui_first%,%_param1%))
$if($and($greater(%_param1%,-1),$greater(%ui_rows_shown%,%_param1%),
		$strcmp(%pi_activeindex%,$get(item)),$strcmp($ui_playing($get(item)),0)),
	$ui_drop(ui_r%_param1%_focus)
	$hash(ui_r%_param1%_focus,$gp_rect(main,%ui_pl_x%,$add(%ui_rows_y%,$mul(%_param1%,#row_h#)),
		$sub(%ui_pl_w%,1),$sub(#row_h#,1),pen:255-#c_line#,aa:false))
	// Made on its own, the outline goes under the scroll bar, where a
	// rebuild of the list puts it, before it shows.
	$if(%ui_batch%%ui_quiet%,,
		$if($greater($len(%ui_pl_track%),0),
			$setobjectzorder(%ui_pl_track%,top)$setobjectzorder(%ui_pl_thumb%,top))
		$ui_show(ui_r%_param1%_focus)))
#end

#function ui_focus_moved
// ui_focus_moved(from, to): the focus of the active playlist moved from
// one item to another. Only the outline moves: it is removed from the
// row of the one and made on the row of the other, which repaints those
// two rows and nothing else.
$ui_drop(ui_r$sub(%_param1%,%ui_first%)_focus)
$ui_row_focus($sub(%_param2%,%ui_first%))
#end

#function ui_row_drop
// ui_row_drop(n): removes the objects of the n-th visible row, as ui_drop
// does each; written out, since a rebuild of the list runs it for every
// row.
$puts(redraw,$if(%ui_batch%%ui_quiet%,false,true))
$puts(id,$hash(ui_r%_param1%_bg))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_bg,))
$puts(id,$hash(ui_r%_param1%_mark))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_mark,))
$puts(id,$hash(ui_r%_param1%_focus))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_focus,))
$puts(id,$hash(ui_r%_param1%_num))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_num,))
$puts(id,$hash(ui_r%_param1%_text))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_text,))
$puts(id,$hash(ui_r%_param1%_artist))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_artist,))
$puts(id,$hash(ui_r%_param1%_len))$if($greater($len($get(id)),0),
	$removeobject($get(id),redraw:$get(redraw))$hash(ui_r%_param1%_len,))
#end

#function ui_row_click
// ui_row_click(y): plays the item of the row under y: select and focus it,
// then start playback, which plays the focused item.
$puts(item,$add(%ui_first%,$div($sub(%_param1%,%ui_rows_y%),#row_h#)))
$if($greater($ui_count(),$get(item)),
	$pi_select(%pl_activename%,$get(item))
	$playback_control(play))
#end

#function ui_scroll
// ui_scroll(rows): moves the shown part of the playlist by rows.
$hash(ui_first,$ui_clamp($add(%ui_first%,%_param1%),0,
	$max(0,$sub($ui_count(),%ui_rows_max%))))
$ui_playlist()
#end

// ---------------------------------------------------------------------------
// Playlists: the header's menu chooses the active playlist and makes,
// renames and removes them (the player's File commands). A menu item's
// scripts learn its position from %_index%: item n is playlist n.
// ---------------------------------------------------------------------------

#function ui_lists
$popupmenu_remove(ui_lists)
$popupmenu_create(ui_lists)
$for(i,0,$sub(%pl_count%,1),1,'$ui_lists_item(%i%)')
$popupmenu_additem(ui_lists,-,)
$popupmenu_additem(ui_lists,'Make a new playlist',
	'$mainmenu_execute(File/New playlist)')
$if(%pl_activename%,
	$popupmenu_additem(ui_lists,'Rename this playlist...',
		'$mainmenu_execute(File/Rename playlist...)')
	$popupmenu_additem(ui_lists,'Remove this playlist',
		'$mainmenu_execute(File/Remove playlist)'))
$popupmenu_view(ui_lists)
#end

#function ui_lists_item
// One playlist, checked when it is the active one.
$popupmenu_additem(ui_lists,$pl_getname(%_param1%),'$pl_active($pl_getname(%_index%))',
	check:'$if($strcmp($pl_getname(%_index%),%pl_activename%),1,0)')
#end

// ---------------------------------------------------------------------------
// The library pane: the player's Album List (the panel "library" that
// profile.json defines) left of the playlist's rows, under its header. It
// shows while the player has a library (%lib_enabled% is found when
// folders make one), until the Library button turns it off or on; a
// window too narrow for both has none.
// ---------------------------------------------------------------------------

#function ui_pane_layout
// Where the pane and the playlist stand, for the window's width.
$hash(ui_pane,$if($greater(%ui_w%,519),
	$if(%ui_pane_on%,1,$if(%ui_pane_off%,,$if(%lib_enabled%,1,)))))
$hash(ui_pl_x,$if(%ui_pane%,$add(#m#,#pane_w#,12),#m#))
$hash(ui_pl_w,$sub(%ui_w%,#m#,%ui_pl_x%))
// Below this width the playlist has no artist column.
$hash(ui_columns,$if($greater(%ui_pl_w%,447),1,))
#end

#function ui_pane
$if(%ui_pane%,
	$panel(main,library,#m#,%ui_rows_y%,#pane_w#,$max(0,$sub(%ui_h%,%ui_rows_y%,#m#))),
	$showpanel(library,false))
#end

#function ui_pane_toggle
// The playlist moves over: it is made again as a build makes it, and the
// window painted once.
$if(%ui_pane%,$hash(ui_pane_on,)$hash(ui_pane_off,1),$hash(ui_pane_on,1)$hash(ui_pane_off,))
$hash(ui_batch,1)
$ui_pane_layout()
$ui_pane()
$ui_playlist()
$hash(ui_batch,)
$updatewindow(main)
#end
